// Events for one thread, with the platform's naming: a second CreateEventA of a name that is
// still open gives another handle to the same event.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

struct Event {
    bool manualReset = false;
    bool signalled = false;
    std::string name;
    int handles = 0;
};

std::map<std::string, Event*>& Named()
{
    static std::map<std::string, Event*> named;
    return named;
}

}  // namespace

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, const char* name)
{
    if (name && *name) {
        auto found = Named().find(name);
        if (found != Named().end()) {
            ++found->second->handles;
            return found->second;
        }
    }
    auto* event = new Event;
    event->manualReset = manualReset != FALSE;
    event->signalled = initialState != FALSE;
    event->handles = 1;
    if (name && *name) {
        event->name = name;
        Named()[name] = event;
    }
    return event;
}

BOOL SetEvent(HANDLE handle)
{
    if (!handle) return FALSE;
    static_cast<Event*>(handle)->signalled = true;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    auto* event = static_cast<Event*>(handle);
    if (!event) std::abort();
    if (event->signalled) {
        if (!event->manualReset) event->signalled = false;
        return WAIT_OBJECT_0;
    }
    if (milliseconds != INFINITE) return WAIT_TIMEOUT;
    std::fprintf(stderr, "a wait without end on an event no other thread can set\n");
    std::abort();
}

BOOL CloseHandle(HANDLE handle)
{
    auto* event = static_cast<Event*>(handle);
    if (!event) return FALSE;
    if (--event->handles == 0) {
        if (!event->name.empty()) Named().erase(event->name);
        delete event;
    }
    return TRUE;
}
