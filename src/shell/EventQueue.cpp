#include "shell/EventQueue.h"

namespace kov {

void CEventQueue::PostDeviceEvent(SDeviceEventData event)
{
    std::function<void()> fnWakeUp;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(event));
        fnWakeUp = m_fnWakeUp;
    }
    m_cvPosted.notify_one();
    if (fnWakeUp)
        fnWakeUp();
}

void CEventQueue::PostTask(std::function<void()> fnTask)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(fnTask));
    }
    SDeviceEventData event;
    event.eEvent = DeviceEvent::InterfaceTaskEvent;
    PostDeviceEvent(std::move(event));
}

bool CEventQueue::TakeTask(std::function<void()>& fnTask)
{
    std::lock_guard lock(m_mutex);
    if (m_tasks.empty())
        return false;
    fnTask = std::move(m_tasks.front());
    m_tasks.pop_front();
    return true;
}

bool CEventQueue::TryTake(SDeviceEventData& event)
{
    std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return false;
    event = std::move(m_queue.front());
    m_queue.pop_front();
    return true;
}

bool CEventQueue::WaitAndTake(SDeviceEventData& event, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_cvPosted.wait_for(lock, timeout, [this] { return !m_queue.empty(); }))
        return false;
    event = std::move(m_queue.front());
    m_queue.pop_front();
    return true;
}

size_t CEventQueue::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void CEventQueue::SetWakeUp(std::function<void()> fnWakeUp)
{
    std::lock_guard lock(m_mutex);
    m_fnWakeUp = std::move(fnWakeUp);
}

} // namespace kov
