#include "platform/directx/software/WorkerThread.h"

#include <system_error>

namespace dx::software {

WorkerThread::~WorkerThread() {
  if (!m_Thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Quit = true;
  }
  m_Wake.notify_one();
  m_Thread.join();
}

bool WorkerThread::Post(void (*job)(void*), void* context) {
  if (!m_Thread.joinable()) {
    if (m_Failed) return false;
    try {
      m_Thread = std::thread(&WorkerThread::Loop, this);
    } catch (const std::system_error&) {
      m_Failed = true;
      return false;
    }
  }
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Job = job;
    m_Context = context;
  }
  m_Wake.notify_one();
  return true;
}

void WorkerThread::Wait() {
  std::unique_lock<std::mutex> lock(m_Mutex);
  m_Done.wait(lock, [this] { return m_Job == nullptr; });
}

void WorkerThread::Loop() {
  std::unique_lock<std::mutex> lock(m_Mutex);
  for (;;) {
    m_Wake.wait(lock, [this] { return m_Job != nullptr || m_Quit; });
    if (m_Job == nullptr) return;
    void (*job)(void*) = m_Job;
    void* context = m_Context;
    lock.unlock();
    job(context);
    lock.lock();
    m_Job = nullptr;
    m_Done.notify_one();
  }
}

}  // namespace dx::software
