// One thread kept for the length of a pipeline, to which a draw hands half of its work. It is
// started at the first job and joined when the object goes; a job costs no allocation and no
// thread creation, only the hand-off.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace dx::software {

class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread();

  // Starts job(context) on the thread and returns at once; false (nothing started) when no
  // thread can be had, for the caller to do the work itself. One job at a time: Wait first.
  bool Post(void (*job)(void*), void* context);
  // Returns when the job posted last is finished; everything it wrote is then visible.
  void Wait();

 private:
  void Loop();

  std::mutex m_Mutex;
  std::condition_variable m_Wake;  // a job or the end, for the thread
  std::condition_variable m_Done;  // the job finished, for Wait
  void (*m_Job)(void*) = nullptr;  // set while a job is posted or running
  void* m_Context = nullptr;
  bool m_Quit = false;
  bool m_Failed = false;  // the thread could not be started: never try again
  std::thread m_Thread;
};

}  // namespace dx::software
