#pragma once

namespace glimbrik {

class Agent;

// Told by an agent's operation, on the agent's own thread, when it starts and ends its work.
class WorkerQueueDelegate {
 public:
  virtual void workerHasFinished(Agent* agent) = 0;
  virtual void workerHasStarted(Agent* agent) = 0;

 protected:
  ~WorkerQueueDelegate() = default;
};

}  // namespace glimbrik
