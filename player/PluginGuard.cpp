#include "player/PluginGuard.h"

#include <csignal>

namespace velto {

namespace {

#if defined(__i386__)
// The record the system's exception dispatcher walks on 32-bit Windows, linked from fs:[0].
struct SehRegistration {
    SehRegistration* next;
    void* handler;
};
#endif

// One guarded call in progress; lives in RunGuarded's stack frame.
struct GuardFrame {
#if defined(__i386__)
    // First, so that the establisher frame the dispatcher hands the handler is the frame.
    SehRegistration registration;
#endif
    void* jump[5];  // __builtin_setjmp's buffer
    GuardFrame* outer;
    // The thread's SEH chain head when the call began. i686 dispatches along it; Wine's x64
    // dispatcher also links a record of its own into it around every handler it calls.
    void* chain;
    PluginFault fault;
};

// The innermost guarded call of each thread. A plain TLS slot: the handlers read it while an
// exception is being dispatched, where nothing may allocate.
const DWORD g_slot = ::TlsAlloc();

GuardFrame* Current()
{
    return g_slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<GuardFrame*>(::TlsGetValue(g_slot));
}

void SetCurrent(GuardFrame* frame)
{
    if (g_slot != TLS_OUT_OF_INDEXES) ::TlsSetValue(g_slot, frame);
}

[[noreturn]] void Resume(GuardFrame* frame, DWORD code, const void* address)
{
    frame->fault.code = code;
    frame->fault.address = address;
    __builtin_longjmp(frame->jump, 1);
}

bool Unwinding(const EXCEPTION_RECORD* record)
{
    return (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0;
}

}  // namespace

// The handler of the fence's frame. The dispatcher calls it only for an exception that every
// frame below (the plug-in's own handlers) left alone.
extern "C" EXCEPTION_DISPOSITION __cdecl VeltoGuardHandler(EXCEPTION_RECORD* record,
                                                           void* establisher, CONTEXT*, void*)
{
    if (Unwinding(record)) return ExceptionContinueSearch;
#if defined(__i386__)
    auto* frame = static_cast<GuardFrame*>(establisher);
#else
    (void)establisher;
    GuardFrame* frame = Current();
    if (!frame) return ExceptionContinueSearch;
#endif
    Resume(frame, record->ExceptionCode, record->ExceptionAddress);
}

namespace {

#if defined(__x86_64__)
// Calls body(context) in a frame of its own whose unwind information names VeltoGuardHandler as
// its exception handler: what a compiler emits for __try. The nop keeps the return address
// off the epilogue, where the dispatcher would not call the handler.
extern "C" void VeltoGuardEnter(void (*body)(void*), void* context);
asm(R"(
    .text
    .p2align 4
    .globl VeltoGuardEnter
    .def VeltoGuardEnter; .scl 2; .type 32; .endef
    .seh_proc VeltoGuardEnter
VeltoGuardEnter:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_handler VeltoGuardHandler, @except
    .seh_endprologue
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    nop
    addq $40, %rsp
    retq
    .seh_endproc
)");

void Enter(void (*body)(void*), void* context, GuardFrame*)
{
    VeltoGuardEnter(body, context);
}
#elif defined(__i386__)
SehRegistration* ChainHead()
{
    SehRegistration* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(SehRegistration* head)
{
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

__attribute__((noinline)) void Enter(void (*body)(void*), void* context, GuardFrame* frame)
{
    frame->registration.next = ChainHead();
    frame->registration.handler = reinterpret_cast<void*>(&VeltoGuardHandler);
    SetChainHead(&frame->registration);
    body(context);
    SetChainHead(frame->registration.next);
}
#else
#error "x86_64 or i686 only"
#endif

// The thread's information block, through its self pointer (what NtCurrentTeb reads).
NT_TIB* ThreadBlock()
{
    NT_TIB* self;
#if defined(__x86_64__)
    asm volatile("movq %%gs:0x30, %0" : "=r"(self));
#else
    asm volatile("movl %%fs:0x18, %0" : "=r"(self));
#endif
    return self;
}

}  // namespace

bool RunGuarded(void (*body)(void*), void* context, PluginFault* fault) noexcept
{
    GuardFrame frame{};
    frame.chain = ThreadBlock()->ExceptionList;
    frame.outer = Current();
    SetCurrent(&frame);
    if (__builtin_setjmp(frame.jump) == 0) {
        Enter(body, context, &frame);
        SetCurrent(frame.outer);
        return true;
    }
    // Resumed by a handler: the stack above this frame is gone. The chain may still hold
    // records that lay on it (the plug-in's, ours, the dispatcher's).
    ThreadBlock()->ExceptionList = static_cast<EXCEPTION_REGISTRATION_RECORD*>(frame.chain);
    SetCurrent(frame.outer);
    if (fault) *fault = frame.fault;
    return false;
}

bool InsideGuardedCall() noexcept
{
    return Current() != nullptr;
}

// ---- abort() inside a guarded call ----

namespace {

using SignalHandler = void(__cdecl*)(int);
using SignalFn = SignalHandler(__cdecl*)(int, SignalHandler);

// The C runtimes a plug-in may bring; each keeps its own signal table.
struct Runtime {
    const wchar_t* name;
    std::atomic<SignalFn> signal{nullptr};
    SignalHandler previous = nullptr;
};
Runtime g_runtimes[] = {{L"msvcrt.dll"}, {L"ucrtbase.dll"}};

// abort() raises SIGABRT, having set the handler back to the default first, and ends the
// process when the handler returns. Inside a guarded call the handler does not return.
template <int I>
void __cdecl OnAbort(int sig)
{
    Runtime& runtime = g_runtimes[I];
    SignalFn signal = runtime.signal.load();
    if (GuardFrame* frame = Current()) {
        signal(SIGABRT, &OnAbort<I>);
        Resume(frame, STATUS_FATAL_APP_EXIT, nullptr);
    }
    // Not ours: what the program had set up before.
    signal(SIGABRT, runtime.previous);
    if (runtime.previous != SIG_DFL && runtime.previous != SIG_IGN && runtime.previous != SIG_ERR &&
        runtime.previous)
        runtime.previous(sig);
}

template <int I>
void Hook()
{
    Runtime& runtime = g_runtimes[I];
    if (runtime.signal.load()) return;
    HMODULE module = ::GetModuleHandleW(runtime.name);
    if (!module) return;
    auto signal = reinterpret_cast<SignalFn>(::GetProcAddress(module, "signal"));
    if (!signal) return;
    runtime.previous = signal(SIGABRT, &OnAbort<I>);
    runtime.signal.store(signal);
}

}  // namespace

void WatchRuntimeAborts() noexcept
{
    static SRWLOCK lock = SRWLOCK_INIT;
    ::AcquireSRWLockExclusive(&lock);
    Hook<0>();
    Hook<1>();
    ::ReleaseSRWLockExclusive(&lock);
}

// ---- faults on the plug-ins' own threads ----

namespace {

struct ImageRange {
    std::atomic<uintptr_t> start{0};
    std::atomic<uintptr_t> end{0};
};
constexpr size_t kMaxWatched = 256;
ImageRange g_watched[kMaxWatched];
std::atomic<ThreadFaultFn> g_onThreadFault{nullptr};
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

// Read from the image's own headers, so that the filter never needs the loader (whose lock
// the faulting thread might hold).
bool ImageSpan(HMODULE module, uintptr_t* start, uintptr_t* end)
{
    auto* base = reinterpret_cast<const unsigned char*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!base || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
    *start = reinterpret_cast<uintptr_t>(base);
    *end = *start + nt->OptionalHeader.SizeOfImage;
    return true;
}

HMODULE WatchedModuleAt(const void* address)
{
    const auto a = reinterpret_cast<uintptr_t>(address);
    for (ImageRange& r : g_watched) {
        const uintptr_t start = r.start.load();
        if (start != 0 && a >= start && a < r.end.load()) return reinterpret_cast<HMODULE>(start);
    }
    return nullptr;
}

constexpr DWORD kMsvcCppException = 0xE06D7363;

// The module a fault belongs to: where it happened, or for an MSVC C++ exception (raised
// inside the system's RaiseException) the module that threw it.
HMODULE FaultingModule(const EXCEPTION_RECORD* record)
{
    if (HMODULE m = WatchedModuleAt(record->ExceptionAddress)) return m;
    if (record->ExceptionCode != kMsvcCppException) return nullptr;
#if defined(__x86_64__)
    // Parameters: magic, the object, its throw information, the thrower's image base.
    if (record->NumberParameters >= 4)
        return WatchedModuleAt(reinterpret_cast<const void*>(record->ExceptionInformation[3]));
#else
    // The throw information lies in the thrower's image.
    if (record->NumberParameters >= 3)
        return WatchedModuleAt(reinterpret_cast<const void*>(record->ExceptionInformation[2]));
#endif
    return nullptr;
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (HMODULE module = FaultingModule(record)) {
        PluginFault fault;
        fault.code = record->ExceptionCode;
        fault.address = record->ExceptionAddress;
        if (ThreadFaultFn fn = g_onThreadFault.load()) fn(module, fault);
        // The plug-in's thread ends here; its stack and whatever it held of the plug-in's own
        // go with it. The plug-in is not called again, so nothing waits for that state.
        ::ExitThread(record->ExceptionCode);
    }
    return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void WatchPluginThreads(ThreadFaultFn onFault) noexcept
{
    static SRWLOCK lock = SRWLOCK_INIT;
    ::AcquireSRWLockExclusive(&lock);
    if (!g_onThreadFault.exchange(onFault))
        g_previousFilter = ::SetUnhandledExceptionFilter(OnUnhandled);
    ::ReleaseSRWLockExclusive(&lock);
}

void WatchModule(HMODULE module) noexcept
{
    uintptr_t start = 0;
    uintptr_t end = 0;
    if (!ImageSpan(module, &start, &end)) return;
    for (ImageRange& r : g_watched) {
        if (r.start.load() == start) return;
    }
    for (ImageRange& r : g_watched) {
        uintptr_t expected = 0;
        // The end goes in first: a reader that sees the start sees a whole range.
        if (r.start.load() != 0) continue;
        r.end.store(end);
        if (r.start.compare_exchange_strong(expected, start)) return;
    }
}

void UnwatchModule(HMODULE module) noexcept
{
    const auto start = reinterpret_cast<uintptr_t>(module);
    for (ImageRange& r : g_watched) {
        uintptr_t expected = start;
        r.start.compare_exchange_strong(expected, 0);
    }
}

}  // namespace velto
