#pragma once

#include <functional>

#include "app/batch/batch_snapshot.h"
#include "app/list/list_entity.h"
#include "app/panels/option_panels.h"

namespace glimbrik {

// The values of the option panels and the general options as a run uses them. GUI thread only.
BatchOptions CaptureBatchOptions(const OptionPanels& panels,
                                 const std::function<bool(int)>& groupOn);

// The facts of a list entry that a run needs.
BatchEntry EntryFromEntity(const ListViewBaseCellImageEntity& entity);

}  // namespace glimbrik
