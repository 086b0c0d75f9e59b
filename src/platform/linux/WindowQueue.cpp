#include <algorithm>
#include <unordered_map>

#include "platform/System.h"
#include "platform/linux/WindowInternal.h"

namespace plat {

namespace detail {

namespace {
// With timers pending the wait is cut short this often, so a clock moved by hand is noticed.
constexpr uint64_t kTimerPollMs = 20;

struct QueueDirectory
{
    std::mutex lock;
    std::unordered_map<uint32_t, std::weak_ptr<ThreadQueue>> byThread;
};

QueueDirectory& Queues()
{
    static QueueDirectory* directory = new QueueDirectory; // outlives every thread's queue owner
    return *directory;
}

// Ends the queue with its thread: senders still waiting on it get 0.
struct QueueOwner
{
    std::shared_ptr<ThreadQueue> queue;

    ~QueueOwner()
    {
        if (!queue)
            return;
        std::deque<std::shared_ptr<SentRecord>> pending;
        {
            std::lock_guard<std::mutex> lock(queue->lock);
            queue->alive = false;
            pending.swap(queue->sent);
            queue->posted.clear();
        }
        for (auto& record : pending) {
            std::lock_guard<std::mutex> lock(record->sender->lock);
            record->done = true;
            record->sender->Wake();
        }
        std::lock_guard<std::mutex> lock(Queues().lock);
        Queues().byThread.erase(queue->threadId);
    }
};

bool MatchesFilter(const Msg& msg, WindowHandle window, Uint first, Uint last)
{
    if (window && msg.window != window)
        return false;
    if (first == 0 && last == 0)
        return true;
    return msg.message >= first && msg.message <= last;
}

bool InRange(Uint message, Uint first, Uint last)
{
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

LResult HandleSent(SentRecord& record)
{
    if (record.call)
        return record.call();
    auto target = FindOwnWindow(record.window);
    if (!target)
        return 0;
    return CallWindowProc(target->proc, record.window, record.message, record.wParam, record.lParam);
}

// Handles every message other threads have sent to this one; true when there was any.
bool ProcessSentMessages(ThreadQueue& queue)
{
    bool any = false;
    for (;;) {
        std::shared_ptr<SentRecord> record;
        {
            std::lock_guard<std::mutex> lock(queue.lock);
            if (queue.sent.empty())
                return any;
            record = queue.sent.front();
            queue.sent.pop_front();
            queue.changed.notify_all();
        }
        any = true;
        const LResult result = HandleSent(*record);
        std::lock_guard<std::mutex> lock(record->sender->lock);
        record->result = result;
        record->done = true;
        record->sender->Wake();
    }
}

Msg MakeMsg(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    Msg msg;
    msg.window = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount64();
    return msg;
}

bool TakePosted(ThreadQueue& queue, Msg& msg, WindowHandle window, Uint first, Uint last, bool remove)
{
    std::lock_guard<std::mutex> lock(queue.lock);
    auto it = std::find_if(queue.posted.begin(), queue.posted.end(),
                           [&](const Msg& m) { return MatchesFilter(m, window, first, last); });
    if (it == queue.posted.end())
        return false;
    msg = *it;
    if (remove)
        queue.posted.erase(it);
    return true;
}

bool TakeQuit(ThreadQueue& queue, Msg& msg, Uint first, Uint last, bool remove)
{
    std::lock_guard<std::mutex> lock(queue.lock);
    if (!queue.quitPosted || !InRange(kWM_Quit, first, last))
        return false;
    msg = MakeMsg(nullptr, kWM_Quit, static_cast<WParam>(queue.quitCode), 0);
    if (remove)
        queue.quitPosted = false;
    return true;
}

bool TakePaint(ThreadQueue& queue, Msg& msg, WindowHandle window, Uint first, Uint last)
{
    if (!InRange(kWM_Paint, first, last))
        return false;
    for (auto& record : WindowsOfQueue(&queue)) {
        if (window && record->handle != window)
            continue;
        if (record->visible && !record->destroying && !record->update.IsEmpty()) {
            msg = MakeMsg(record->handle, kWM_Paint, 0, 0);
            return true;
        }
    }
    return false;
}

bool TakeTimer(ThreadQueue& queue, Msg& msg, WindowHandle window, Uint first, Uint last, bool remove)
{
    if (!InRange(kWM_Timer, first, last))
        return false;
    const uint64_t now = GetTickCount64();
    Timer* due = nullptr;
    for (auto& timer : queue.timers) {
        if (window && timer.window != window)
            continue;
        if (timer.due <= now && (!due || timer.due < due->due))
            due = &timer;
    }
    if (!due)
        return false;
    msg = MakeMsg(due->window, kWM_Timer, due->id, 0);
    if (remove)
        due->due = now + due->interval; // a late timer fires once, not once per missed period
    return true;
}

// How long the thread may sleep before its next timer is due; -1 for no limit.
int WaitLimit(const ThreadQueue& queue)
{
    if (queue.sdlThread && HoverPending())
        return static_cast<int>(kTimerPollMs);
    if (queue.sdlThread && CaretWaitLimit() >= 0)
        return std::min(static_cast<int>(kTimerPollMs), CaretWaitLimit());
    if (queue.timers.empty())
        return -1;
    const uint64_t now = GetTickCount64();
    uint64_t next = UINT64_MAX;
    for (const auto& timer : queue.timers)
        next = std::min(next, timer.due);
    const uint64_t left = next > now ? next - now : 0;
    return static_cast<int>(std::min(left, kTimerPollMs));
}

void WaitForWork(ThreadQueue& queue)
{
    const int limit = WaitLimit(queue);
    if (limit == 0)
        return;
    bool sdl;
    {
        std::lock_guard<std::mutex> lock(queue.lock);
        sdl = queue.sdlThread;
    }
    if (sdl) {
        WaitSdlEvent(limit);
        return;
    }
    std::unique_lock<std::mutex> lock(queue.lock);
    auto ready = [&] { return !queue.posted.empty() || !queue.sent.empty() || queue.quitPosted; };
    if (limit < 0)
        queue.changed.wait(lock, ready);
    else
        queue.changed.wait_for(lock, std::chrono::milliseconds(limit), ready);
}

// The characters of a key come before anything queued after the key.
void PostNext(const Msg& msg)
{
    ThreadQueue& queue = *CurrentQueue();
    std::lock_guard<std::mutex> lock(queue.lock);
    queue.posted.push_front(msg);
}

bool PeekOnce(ThreadQueue& queue, Msg& msg, WindowHandle window, Uint first, Uint last, bool remove)
{
    ProcessSentMessages(queue);
    if (queue.sdlThread) {
        {
            std::lock_guard<std::mutex> lock(queue.lock);
            queue.wakePending = false;
        }
        PumpSdlEvents();
        CheckHover();
        CheckCaret();
    }
    ProcessSentMessages(queue);
    return TakePosted(queue, msg, window, first, last, remove) || TakeQuit(queue, msg, first, last, remove) ||
           TakePaint(queue, msg, window, first, last) || TakeTimer(queue, msg, window, first, last, remove);
}
} // namespace

void ThreadQueue::Wake()
{
    changed.notify_all();
    if (sdlThread && !wakePending) {
        wakePending = true;
        PushWake();
    }
}

const std::shared_ptr<ThreadQueue>& CurrentQueue()
{
    thread_local QueueOwner owner;
    if (!owner.queue) {
        owner.queue = std::make_shared<ThreadQueue>();
        owner.queue->threadId = GetCurrentThreadId();
        std::lock_guard<std::mutex> lock(Queues().lock);
        Queues().byThread[owner.queue->threadId] = owner.queue;
    }
    return owner.queue;
}

void PostToQueue(ThreadQueue& queue, const Msg& msg)
{
    std::lock_guard<std::mutex> lock(queue.lock);
    if (!queue.alive)
        return;
    queue.posted.push_back(msg);
    queue.Wake();
}

void DropTimersOf(ThreadQueue& queue, WindowHandle window)
{
    auto& timers = queue.timers;
    timers.erase(
        std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == window; }),
        timers.end());
}

void DropPostedOf(ThreadQueue& queue, WindowHandle window)
{
    std::lock_guard<std::mutex> lock(queue.lock);
    auto& posted = queue.posted;
    posted.erase(
        std::remove_if(posted.begin(), posted.end(), [&](const Msg& m) { return m.window == window; }),
        posted.end());
}

bool SendAndWait(const std::shared_ptr<ThreadQueue>& target, const std::shared_ptr<SentRecord>& sent,
                 LResult& result)
{
    const auto& mine = CurrentQueue();
    sent->sender = mine;
    {
        std::lock_guard<std::mutex> lock(target->lock);
        if (!target->alive)
            return false;
        target->sent.push_back(sent);
        target->Wake();
    }
    for (;;) {
        // Messages sent to this thread meanwhile are handled, so two threads sending to each other
        // do not wait for ever.
        ProcessSentMessages(*mine);
        std::unique_lock<std::mutex> lock(mine->lock);
        mine->changed.wait(lock, [&] { return sent->done || !mine->sent.empty(); });
        if (sent->done) {
            result = sent->result;
            return true;
        }
    }
}

bool CallOnThread(const std::shared_ptr<ThreadQueue>& target, std::function<LResult()> call, LResult& result)
{
    if (!target)
        return false;
    if (target == CurrentQueue()) {
        result = call();
        return true;
    }
    auto sent = std::make_shared<SentRecord>();
    sent->call = std::move(call);
    return SendAndWait(target, sent, result);
}

} // namespace detail

using namespace detail;

bool PeekMessage(Msg& msg, WindowHandle window, Uint first, Uint last, Uint removeFlags)
{
    return PeekOnce(*CurrentQueue(), msg, window, first, last, (removeFlags & kPM_Remove) != 0);
}

bool GetMessage(Msg& msg, WindowHandle window, Uint first, Uint last)
{
    ThreadQueue& queue = *CurrentQueue();
    while (!PeekOnce(queue, msg, window, first, last, true))
        WaitForWork(queue);
    return msg.message != kWM_Quit;
}

bool TranslateMessage(const Msg& msg)
{
    if (msg.message != kWM_KeyDown && msg.message != kWM_SysKeyDown)
        return false;
    const unsigned key = static_cast<unsigned>(msg.wParam);
    if (msg.message == kWM_KeyDown) {
        // Text keys type through the text-input events; these keys type control characters.
        if (key != kVK_Return && key != kVK_Back && key != kVK_Tab && key != kVK_Escape)
            return false;
        PostNext(MakeMsg(msg.window, kWM_Char, key, msg.lParam));
        return true;
    }
    wchar_t typed = 0;
    if (key >= kVK_A && key < kVK_A + 26)
        typed = static_cast<wchar_t>(L'a' + (key - kVK_A));
    else if (key >= kVK_0 && key < kVK_0 + 10)
        typed = static_cast<wchar_t>(key);
    else if (key == kVK_Space)
        typed = L' ';
    if (!typed)
        return false;
    PostNext(MakeMsg(msg.window, kWM_SysChar, static_cast<WParam>(typed), msg.lParam));
    return true;
}

LResult DispatchMessage(const Msg& msg)
{
    if (!msg.window)
        return 0;
    auto record = FindOwnWindow(msg.window);
    if (!record)
        return 0;
    return CallWindowProc(record->proc, msg.window, msg.message, msg.wParam, msg.lParam);
}

bool PostMessage(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    auto record = FindWindow(window);
    if (!record)
        return false;
    {
        std::lock_guard<std::mutex> lock(record->queue->lock);
        if (!record->queue->alive)
            return false;
    }
    PostToQueue(*record->queue, MakeMsg(window, message, wParam, lParam));
    return true;
}

bool PostThreadMessage(uint32_t threadId, Uint message, WParam wParam, LParam lParam)
{
    std::shared_ptr<ThreadQueue> queue;
    {
        std::lock_guard<std::mutex> lock(Queues().lock);
        auto it = Queues().byThread.find(threadId);
        if (it != Queues().byThread.end())
            queue = it->second.lock();
    }
    if (!queue)
        return false;
    PostToQueue(*queue, MakeMsg(nullptr, message, wParam, lParam));
    return true;
}

LResult SendMessage(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    auto record = FindWindow(window);
    if (!record)
        return 0;
    const auto& mine = CurrentQueue();
    if (record->queue == mine)
        return CallWindowProc(record->proc, window, message, wParam, lParam);

    auto sent = std::make_shared<SentRecord>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    LResult result = 0;
    SendAndWait(record->queue, sent, result);
    return result;
}

void PostQuitMessage(int exitCode)
{
    ThreadQueue& queue = *CurrentQueue();
    std::lock_guard<std::mutex> lock(queue.lock);
    queue.quitPosted = true;
    queue.quitCode = exitCode;
    queue.Wake();
}

uintptr_t SetTimer(WindowHandle window, uintptr_t id, uint32_t ms)
{
    ThreadQueue& queue = *CurrentQueue();
    if (window && !FindOwnWindow(window))
        return 0;
    if (!window)
        id = queue.nextThreadTimerId++;
    const uint64_t due = GetTickCount64() + std::max<uint32_t>(ms, 1);
    for (auto& timer : queue.timers) {
        if (timer.window == window && timer.id == id) {
            timer.interval = std::max<uint32_t>(ms, 1);
            timer.due = due;
            return window ? 1 : id;
        }
    }
    queue.timers.push_back(Timer{window, id, std::max<uint32_t>(ms, 1), due});
    return window ? 1 : id;
}

bool KillTimer(WindowHandle window, uintptr_t id)
{
    auto& timers = CurrentQueue()->timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == timers.end())
        return false;
    timers.erase(it);
    return true;
}

namespace test {
void WaitForSentMessages(int count)
{
    ThreadQueue& queue = *CurrentQueue();
    std::unique_lock<std::mutex> lock(queue.lock);
    queue.changed.wait(lock, [&] { return static_cast<int>(queue.sent.size()) >= count; });
}
} // namespace test

} // namespace plat
