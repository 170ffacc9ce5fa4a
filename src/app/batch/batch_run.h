#pragma once

#include <QString>
#include <atomic>
#include <vector>

#include "app/batch/batch_engine.h"
#include "app/batch/batch_host.h"
#include "app/batch/batch_scheduler.h"
#include "app/batch/batch_snapshot.h"

namespace glimbrik {

struct BatchRunResult {
  bool optionsValid = false;  // false: the run ended before the sheet, nothing written
  bool cancelled = false;
  long finalStatus = 0;  // BatchStatusBits
  int64_t written = 0;
  int64_t failed = 0;
  std::vector<QString> destinations;   // every output path tried, in list order
  std::vector<BatchFailure> failures;  // in the order of the files
  int peakWorkers = 0;                 // most files converting at once
};

// One batch run over the snapshot's entries into destinationRoot. The calling thread decides
// every output name in list order and makes every call on the host; the files themselves convert
// on up to `parallelism` workers at once, each running one file's whole road. The cancel flag is
// cleared at the start and at the end and read before each file is started; files under way
// finish.
BatchRunResult ConvertImageThread(const BatchSnapshot& snapshot, const QString& destinationRoot,
                                  BatchRunHost& host, std::atomic<bool>& cancelled,
                                  const BatchEngine& engine,
                                  const BatchParallelism& parallelism = {});

}  // namespace glimbrik
