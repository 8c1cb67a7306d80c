#pragma once
// The main window's event queue: the receive thread posts into it, the interface thread takes
// the events out and handles them. A window toolkit sets a wake-up that marshals to its own
// loop; a console front end waits on the queue with a time-out.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "link/DeviceEvent.h"

namespace kov {

class CEventQueue final : public IDeviceEventSink {
public:
    // Never blocks for long; wakes a waiting taker and runs the wake-up (on the posting
    // thread, after the event is queued).
    void PostDeviceEvent(SDeviceEventData event) override;

    // Queues a task to run on the interface thread: an InterfaceTaskEvent whose handling runs
    // the oldest task (TakeTask). Tasks run in the order posted.
    void PostTask(std::function<void()> fnTask);
    bool TakeTask(std::function<void()>& fnTask);

    // Takes the oldest event; false when none is queued.
    bool TryTake(SDeviceEventData& event);
    // Waits up to the time-out for an event and takes it; false when none came.
    bool WaitAndTake(SDeviceEventData& event, std::chrono::milliseconds timeout);
    size_t Size() const;

    // Called after each post, on the posting thread; must not block. Set it before the first
    // connection.
    void SetWakeUp(std::function<void()> fnWakeUp);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cvPosted;
    std::deque<SDeviceEventData> m_queue;
    std::deque<std::function<void()>> m_tasks;
    std::function<void()> m_fnWakeUp;
};

} // namespace kov
