#include "bridge/src/ShellChannel.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <new>
#include <thread>

#include "bridge/src/Connection.h"

namespace tolvane::shell {

namespace {

using Clock = std::chrono::steady_clock;

// The usual command limit: a transfer's reply and the shell reset are quick on the controller.
constexpr std::chrono::milliseconds kReplyLimit{5000};
// Polling a flag: yield for the first moments (the controller usually answers within
// microseconds), then sleep so a slow controller does not cost a whole core.
constexpr auto kYieldPhase = std::chrono::milliseconds(2);
constexpr auto kPollPause = std::chrono::milliseconds(1);

std::atomic<std::int64_t> g_handshake_ms{Limits{}.handshake.count()};
std::atomic<std::int64_t> g_shell_run_ms{Limits{}.shell_run.count()};

std::int32_t BlockWrite(std::uint32_t address, const void* buffer, std::uint32_t length) {
    Bridge& b = TheBridge();
    if (!b.open.load(std::memory_order_acquire) || !b.loaded.load(std::memory_order_acquire)) return -1;
    return b.record.generic->op13_write_block(address, buffer, length) == 0 ? 0 : -1;
}

std::int32_t BlockRead(std::uint32_t address, void* buffer, std::uint32_t length) {
    Bridge& b = TheBridge();
    if (!b.open.load(std::memory_order_acquire) || !b.loaded.load(std::memory_order_acquire)) return -1;
    return b.record.generic->op12_read_block(address, buffer, length) == 0 ? 0 : -1;
}

// Waits until the window's flag holds `value`: -1 when a read fails or the connection
// closed, -2 when the controller left it unchanged for the handshake limit.
std::int32_t WaitFlag(std::uint32_t window, std::uint32_t value) {
    const std::uint32_t address = WindowBase(window) + kFlag;
    const auto start = Clock::now();
    const auto limit = std::chrono::milliseconds(g_handshake_ms.load(std::memory_order_relaxed));
    for (;;) {
        std::uint32_t v = 0;
        if (ReadWord(address, v) != 0) return -1;
        if (v == value) return 0;
        const auto waited = Clock::now() - start;
        if (waited >= limit) return -2;
        if (waited < kYieldPhase) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(kPollPause);
        }
    }
}

// Writes n bytes (at most one data area) in the window byte layout: full groups with one
// block operation, the final partial group as a single word.
std::int32_t WriteArea(std::uint32_t address, const std::uint8_t* bytes, std::size_t n) {
    std::array<std::uint32_t, kChunkBytes / 4> words{};
    PackWords(bytes, n, words.data());
    const std::size_t full = n / 4;
    if (full > 0 && BlockWrite(address, words.data(), static_cast<std::uint32_t>(full * 4)) != 0) return -1;
    if (n % 4 != 0 && WriteWord(address + static_cast<std::uint32_t>(full * 4), words[full]) != 0) return -1;
    return 0;
}

std::int32_t ReadArea(std::uint32_t address, std::uint8_t* bytes, std::size_t n) {
    std::array<std::uint32_t, kChunkBytes / 4> words{};
    const std::size_t full = n / 4;
    if (full > 0 && BlockRead(address, words.data(), static_cast<std::uint32_t>(full * 4)) != 0) return -1;
    if (n % 4 != 0 && ReadWord(address + static_cast<std::uint32_t>(full * 4), words[full]) != 0) return -1;
    UnpackWords(words.data(), n, bytes);
    return 0;
}

bool NameFits(const std::string& name) {
    return name.size() < kNameBytes && name.find('\0') == std::string::npos;
}

// The name with its terminator, once the window is free.
std::int32_t WriteName(std::uint32_t window, const std::string& name) {
    const std::int32_t r = WaitFlag(window, 0);
    if (r != 0) return r;
    return WriteArea(WindowBase(window) + kName, reinterpret_cast<const std::uint8_t*>(name.c_str()),
                      name.size() + 1);
}

std::int32_t SendRequest(std::uint32_t code) {
    const std::int32_t r = TheBridge().channels.Send(kChCommand, Message{{code, 0, 0, 0}});
    if (r == rc::kWaitLimit) return rc::kTimeout;
    return r == rc::kOk ? rc::kOk : rc::kBad;
}

// Waits for the reply to `code`; replies to other codes are left over from an exchange that
// was given up and are dropped. Each receive waits at most 5 seconds, so a limit below that
// still waits one full receive.
std::int32_t AwaitReply(std::uint32_t code, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    Message reply{};
    for (;;) {
        const std::int32_t r = TheBridge().channels.Receive(kChReply, true, reply);
        if (r == rc::kWaitLimit) {
            if (Clock::now() >= deadline) return rc::kTimeout;
            continue;
        }
        if (r != rc::kOk) return rc::kBad;
        if (reply.word[0] != code) continue;
        if (reply.word[1] != 0) return rc::kFail;
        if (reply.word[2] != 0) return rc::kClosed;
        return rc::kOk;
    }
}

// A transfer given up after its request went out: its reply (the controller's refusal, or a
// late end) is collected here, up to the usual limit, so the next exchange of the same code
// cannot take it for its own.
std::int32_t Abandon(std::uint32_t code, std::int32_t result) {
    (void)AwaitReply(code, kReplyLimit);
    return result;
}

// result0: when given, the first result word, read before another thread's command can
// overwrite it.
std::int32_t CommandWithin(std::uint32_t code, std::chrono::milliseconds limit,
                            std::uint32_t* result0 = nullptr) {
    CommandSequence seq;
    std::int32_t r = SendRequest(code);
    if (r != rc::kOk) return r;
    if ((r = AwaitReply(code, limit)) != rc::kOk) return r;
    if (result0 != nullptr && ReadWord(reg::kResult0, *result0) != 0) return rc::kBad;
    return rc::kOk;
}

// Writer side of a file already announced in the window (total and still to come set).
std::int32_t SendData(std::uint32_t window, const std::uint8_t* data, std::size_t length,
                       const ChunkCallback& on_chunk) {
    const std::uint32_t b = WindowBase(window);
    std::int32_t r = WaitFlag(window, 0);
    if (r != 0) return r;
    std::uint32_t still = 0;
    if (ReadWord(b + kStillToCome, still) != 0) return rc::kBad;
    std::size_t left = std::min<std::size_t>(length, still);
    std::size_t offset = 0;
    while (left > 0) {
        if ((r = WaitFlag(window, 0)) != 0) return r;
        const std::size_t chunk = std::min<std::size_t>(left, kChunkBytes);
        if (WriteArea(b + kData, data + offset, chunk) != 0) return rc::kBad;
        if (WriteWord(b + kChunkLength, static_cast<std::uint32_t>(chunk)) != 0) return rc::kBad;
        if (ReadWord(b + kStillToCome, still) != 0) return rc::kBad;
        if (still < chunk) return rc::kBad;  // the controller changed the count under us
        still -= static_cast<std::uint32_t>(chunk);
        if (WriteWord(b + kStillToCome, still) != 0) return rc::kBad;
        if (on_chunk) on_chunk(ChunkInfo{window, static_cast<std::uint32_t>(length), still});
        if (WriteWord(b + kFlag, 1) != 0) return rc::kBad;
        offset += chunk;
        left -= chunk;
    }
    return rc::kOk;
}

}  // namespace

Limits CurrentLimits() {
    return Limits{std::chrono::milliseconds(g_handshake_ms.load()), std::chrono::milliseconds(g_shell_run_ms.load())};
}

void SetLimits(const Limits& l) {
    g_handshake_ms.store(l.handshake.count());
    g_shell_run_ms.store(l.shell_run.count());
}

void PackWords(const std::uint8_t* bytes, std::size_t n, std::uint32_t* words) {
    for (std::size_t i = 0; i < n; i += 4) {
        std::uint32_t w = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            if (i + k < n) w |= static_cast<std::uint32_t>(bytes[i + k]) << (24 - 8 * k);
        }
        words[i / 4] = w;
    }
}

void UnpackWords(const std::uint32_t* words, std::size_t n, std::uint8_t* bytes) {
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(words[i / 4] >> (24 - 8 * (i % 4)));
    }
}

std::int32_t WriteControllerFile(const std::string& name, std::uint32_t window, const std::uint8_t* data,
                        std::size_t length, const ChunkCallback& on_chunk) {
    if (window >= kWindowCount || !NameFits(name) || data == nullptr || length == 0 ||
        length > 0xFFFFFFFFu) {
        return rc::kBad;
    }
    const std::uint32_t b = WindowBase(window);
    CommandSequence seq;
    if (WriteWord(reg::kParam0, window) != 0) return rc::kBad;
    std::int32_t r = SendRequest(kCmdReceiveFile);
    if (r != 0) return r;
    const auto give_up = [](std::int32_t result) { return Abandon(kCmdReceiveFile, result); };
    if ((r = WriteName(window, name)) != 0) return give_up(r);
    if ((r = WaitFlag(window, 0)) != 0) return give_up(r);
    const auto total = static_cast<std::uint32_t>(length);
    if (WriteWord(b + kTotal, total) != 0 || WriteWord(b + kStillToCome, total) != 0 ||
        WriteWord(b + kChunkLength, 0) != 0) {
        return give_up(rc::kBad);
    }
    if ((r = SendData(window, data, length, on_chunk)) != 0) return give_up(r);
    return AwaitReply(kCmdReceiveFile, kReplyLimit);
}

std::int32_t ReadControllerFile(const std::string& name, std::uint32_t window, std::vector<std::uint8_t>& out,
                       const ChunkCallback& on_chunk) {
    out.clear();
    if (window >= kWindowCount || !NameFits(name)) return rc::kBad;
    const std::uint32_t b = WindowBase(window);
    CommandSequence seq;
    if (WriteWord(reg::kParam0, window) != 0) return rc::kBad;
    std::int32_t r = WriteName(window, name);
    if (r != 0) return r;
    if ((r = SendRequest(kCmdSendFile)) != 0) return r;
    const auto give_up = [](std::int32_t result) { return Abandon(kCmdSendFile, result); };
    if ((r = WaitFlag(window, 1)) != 0) return give_up(r);
    std::uint32_t total = 0;
    if (ReadWord(b + kTotal, total) != 0) return give_up(rc::kBad);
    std::vector<std::uint8_t> data;
    try {
        data.resize(total);
    } catch (const std::bad_alloc&) {
        return give_up(rc::kBad);
    }
    // The controller's counts are checked before they touch the buffer: a chunk never
    // lands beyond the announced total.
    std::size_t received = 0;
    for (;;) {
        if ((r = WaitFlag(window, 1)) != 0) return give_up(r);
        std::uint32_t chunk = 0, still = 0;
        if (ReadWord(b + kChunkLength, chunk) != 0 || ReadWord(b + kStillToCome, still) != 0) return give_up(rc::kBad);
        if (chunk > kChunkBytes || chunk > total - received) return give_up(rc::kBad);
        if (chunk == 0 && still != 0) return give_up(rc::kBad);  // no progress: the sender is confused
        if (chunk > 0 && ReadArea(b + kData, data.data() + received, chunk) != 0) return give_up(rc::kBad);
        received += chunk;
        if (on_chunk) on_chunk(ChunkInfo{window, total, still});
        if (WriteWord(b + kFlag, 0) != 0) return give_up(rc::kBad);
        if (still == 0) break;
    }
    if (received != total) return give_up(rc::kBad);  // the file ended short of its announced length
    if ((r = AwaitReply(kCmdSendFile, kReplyLimit)) != 0) return r;
    out = std::move(data);
    return rc::kOk;
}

std::int32_t RunShell(const std::string& line, std::uint32_t& exit_status) {
    std::int32_t r = CommandWithin(kCmdShellReset, kReplyLimit);
    if (r != 0) return r;
    r = WriteControllerFile(kShellCmdFile, kWinCommandFile, reinterpret_cast<const std::uint8_t*>(line.data()),
                   line.size(), nullptr);
    if (r != 0) return r;
    r = CommandWithin(kCmdShellRun, std::chrono::milliseconds(g_shell_run_ms.load()), &exit_status);
    if (r != 0) return r;
    std::vector<std::uint8_t> output;  // the command's output is not used
    r = ReadControllerFile(kShellOutFile, kWinCommandOutput, output, nullptr);
    if (r != 0) return r;
    return CommandWithin(kCmdShellReset, kReplyLimit);
}

}  // namespace tolvane::shell
