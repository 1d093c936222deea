#pragma once
// DeliveryWorker: one thread that runs jobs one at a time, in the order they
// were handed over, so that a slow sign service or serial line never holds
// the thread that handed them over. The sender's deliveries run here, and
// so does its disconnect when it goes: the client library is called from
// this thread only, so its connect and disconnect never overlap a call of
// ours.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace corvella {

class DeliveryWorker {
 public:
  DeliveryWorker();
  // Runs every job still queued, then ends the thread.
  ~DeliveryWorker();
  DeliveryWorker(const DeliveryWorker&) = delete;
  DeliveryWorker& operator=(const DeliveryWorker&) = delete;

  // Queues `job` behind the ones already handed over.
  void Post(std::function<void()> job);
  // Blocks until every job handed over so far has run.
  void WaitUntilIdle();
  // True while a job runs or waits.
  bool Busy() const;

 private:
  void Run();

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<std::function<void()>> m_jobs;
  bool m_running = false;  // a job is being run right now
  bool m_stop = false;
  std::thread m_thread;  // last: starts once the members above exist
};

}  // namespace corvella
