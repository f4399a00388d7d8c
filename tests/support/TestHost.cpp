#include "tests/support/TestHost.h"

namespace velto::test {

TestHost::TestHost()
{
    window_ = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
}

TestHost::~TestHost()
{
    if (window_) ::DestroyWindow(window_);
}

int TestHost::ChooseSaveFile(int)
{
    ++saveAsCalls;
    if (saveAsChoice.empty()) {
        ::PostMessageW(window_, WM_RECORDER_NOTIFY, NOTIFY_STOP, 0);
        return 0;
    }
    outputPath = saveAsChoice;
    return 1;
}

std::vector<Notification> TestHost::Drain()
{
    std::vector<Notification> out;
    MSG msg;
    while (::PeekMessageW(&msg, window_, WM_RECORDER_NOTIFY, WM_RECORDER_NOTIFY, PM_REMOVE)) {
        if (msg.wParam != NOTIFY_MESSAGE) {
            out.push_back({msg.wParam, msg.lParam});
            continue;
        }
        const std::unique_ptr<RecorderMessage> message = TakeRecorderMessage(msg.lParam);
        messages.push_back(message->caption + L"|" + message->text);
        ::MessageBoxW(nullptr, message->text.c_str(), message->caption.c_str(), message->type);
        if (message->then != RecorderMessage::kNoFollowUp)
            out.push_back({message->then, message->thenValue});
    }
    received.insert(received.end(), out.begin(), out.end());
    return out;
}

bool TestHost::WaitFor(WPARAM what, DWORD timeoutMs)
{
    for (const auto& n : received)
        if (n.what == what) return true;
    const DWORD start = ::GetTickCount();
    for (;;) {
        for (const auto& n : Drain())
            if (n.what == what) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
    }
}

}  // namespace velto::test
