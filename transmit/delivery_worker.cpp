#include "transmit/delivery_worker.h"

#include <utility>

namespace corvella {

DeliveryWorker::DeliveryWorker() : m_thread([this] { Run(); }) {}

DeliveryWorker::~DeliveryWorker() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_one();
  m_thread.join();
}

void DeliveryWorker::Post(std::function<void()> job) {
  {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_one();
}

void DeliveryWorker::WaitUntilIdle() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [this] { return m_jobs.empty() && !m_running; });
}

bool DeliveryWorker::Busy() const {
  std::lock_guard lock(m_mutex);
  return m_running || !m_jobs.empty();
}

void DeliveryWorker::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
    if (m_jobs.empty()) return;  // stopping, and nothing is left to deliver
    std::function<void()> job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_running = true;
    lock.unlock();
    job();
    lock.lock();
    m_running = false;
    if (m_jobs.empty()) m_idle.notify_all();
  }
}

}  // namespace corvella
