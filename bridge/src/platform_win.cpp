#include <windows.h>

#include <process.h>

#include <memory>
#include <system_error>

#include "platform.h"
#include "sync.h"

namespace tolvane::platform {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && alignof(SRWLOCK) <= alignof(void*));
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*) && alignof(CONDITION_VARIABLE) <= alignof(void*));

namespace {
template <typename Fn>
Fn bind(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

PSRWLOCK srw(void*& storage) { return reinterpret_cast<PSRWLOCK>(&storage); }
PCONDITION_VARIABLE condition(void*& storage) { return reinterpret_cast<PCONDITION_VARIABLE>(&storage); }
unsigned __stdcall thread_entry(void* arg) {
    const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
    try {
        (*body)();
    } catch (...) {
        std::terminate();  // as an exception leaving a std::thread's function does
    }
    return 0;
}
}  // namespace

bool load_component(Factories& out) {
    HMODULE module = LoadLibraryW(L"Merrowcom.dll");
    if (module == nullptr) return false;
    out.create_device_util = bind<merrowcom::CreateDeviceUtilFn>(module, merrowcom::kCreateDeviceUtil);
    out.create_generic_func = bind<merrowcom::CreateGenericFuncFn>(module, merrowcom::kCreateGenericFunc);
    out.create_system_ctrl = bind<merrowcom::CreateSystemCtrlFn>(module, merrowcom::kCreateSystemCtrl);
    return out.create_device_util != nullptr && out.create_generic_func != nullptr &&
           out.create_system_ctrl != nullptr;
}

std::uint32_t current_thread_id() { return static_cast<std::uint32_t>(GetCurrentThreadId()); }

ThreadKey current_thread_key() { return static_cast<ThreadKey>(GetCurrentThreadId()); }  // never 0

void Mutex::lock() noexcept { AcquireSRWLockExclusive(srw(srw_)); }
void Mutex::unlock() noexcept { ReleaseSRWLockExclusive(srw(srw_)); }

void CondVar::notify_one() noexcept { WakeConditionVariable(condition(cv_)); }
void CondVar::notify_all() noexcept { WakeAllConditionVariable(condition(cv_)); }

void CondVar::wait(std::unique_lock<Mutex>& lock) {
    // INFINITE cannot fail; spurious wake-ups are the caller's loop's business.
    (void)SleepConditionVariableSRW(condition(cv_), srw(lock.mutex()->srw_), INFINITE, 0);
}

std::cv_status CondVar::wait_until(std::unique_lock<Mutex>& lock, std::chrono::steady_clock::time_point deadline) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return std::cv_status::timeout;
    // Rounded up, so a wake at the limit is past the deadline; below INFINITE.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    const DWORD wait_ms = ms >= static_cast<long long>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(ms);
    (void)SleepConditionVariableSRW(condition(cv_), srw(lock.mutex()->srw_), wait_ms, 0);
    return std::chrono::steady_clock::now() >= deadline ? std::cv_status::timeout : std::cv_status::no_timeout;
}

void Thread::start(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    const std::uintptr_t h = _beginthreadex(nullptr, 0, &thread_entry, owned.get(), 0, nullptr);
    if (h == 0) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    owned.release();  // the thread owns it now
    handle_ = reinterpret_cast<void*>(h);
}

void Thread::join() {
    if (!joinable()) throw std::system_error(std::make_error_code(std::errc::invalid_argument));
    if (GetThreadId(static_cast<HANDLE>(handle_)) == GetCurrentThreadId()) {
        throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
    }
    WaitForSingleObject(static_cast<HANDLE>(handle_), INFINITE);
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

}  // namespace tolvane::platform
