// A minimal host for tests: drives a GenericFunc exactly as the bridge does: receiver
// registration (3, 10, 0), messages on 34 answered on 35, the draw request on 16 answered on 17,
// events on 32, register words, block transfers and the transfer-window handshake.
// Platform-free and header-only: used by the native tests, the wine tests and the benchmark.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "contract/Merrowcom.h"
#include "simulator/model/Protocol.h"

namespace testhost {

using Words = std::array<std::uint32_t, 4>;

class Host {
public:
    explicit Host(merrowcom::GenericFunc* g) : g_(g) {}

    // Registers the receiver as Kdr_DevOpen does.
    std::uint32_t Attach() {
        Current() = this;
        return g_->op3_register(3, 10, 0, &Host::OnMessage);
    }
    std::uint32_t Detach() { return g_->op4_unregister(3); }

    // The host the receiver function hands messages to.
    static Host*& Current() { return current_; }

    // ---- transport ----
    std::uint32_t SendOnce(std::uint32_t ch, const Words& w, merrowcom::SendReply* r) {
        merrowcom::Message m{};
        m.kind = 2;
        m.channel = ch;
        std::memcpy(m.word, w.data(), 16);
        return g_->op5_send(&m, r, merrowcom::kSendTimeoutMs);
    }
    // The bridge's send with repeats (sleep shortened from 200 ms to `sleep_ms`).
    // Returns 0, -2 (status not 0) or the result word.
    std::int32_t Send(std::uint32_t ch, const Words& w, int sleep_ms = 1, int* repeats = nullptr) {
        merrowcom::SendReply r{};
        std::uint32_t st = SendOnce(ch, w, &r);
        int n = 0;
        while ((st == merrowcom::kStatusBusy || r.accepted == 0) && n < 100) {
            std::this_thread::sleep_for(std::chrono::milliseconds(sleep_ms));
            st = SendOnce(ch, w, &r);
            ++n;
        }
        if (repeats) *repeats = n;
        if (st != 0) return -2;
        if (r.result != 0) return static_cast<std::int32_t>(r.result);
        return 0;
    }
    // Waits for the next message on a channel. -6 timeout, -4 lost bit seen on that channel.
    std::int32_t Receive(std::uint32_t ch, Words& out, std::uint32_t timeout_ms = 5000) {
        std::unique_lock<std::mutex> lk(mu_);
        const bool ok = cv_.wait_for(lk, std::chrono::milliseconds(timeout_ms),
                                     [&] { return !q_[ch].empty() || lost_[ch]; });
        if (lost_[ch]) return -4;
        if (!ok) return -6;
        out = q_[ch].front();
        q_[ch].pop_front();
        return 0;
    }
    // CommandCall: 0, -1, -2 (timeout), -3 (word1), -7 (word2).
    std::int32_t Command(std::uint32_t code, std::uint32_t* detail = nullptr, std::uint32_t timeout_ms = 5000) {
        const std::int32_t s = Send(mrcsim::kChCommand, {code, 0, 0, 0});
        if (s == -6) return -2;
        if (s != 0) return -1;
        Words r{};
        for (;;) {
            const std::int32_t rc = Receive(mrcsim::kChReply, r, timeout_ms);
            if (rc == -6) return -2;
            if (rc != 0) return -1;
            if (r[0] == code) break;
        }
        if (detail) *detail = r[2];
        if (r[1] != 0) return -3;
        if (r[2] != 0) return -7;
        return 0;
    }
    // Draw request: 0 ok, -2 timeout, -3 reply word1 not 0.
    std::int32_t Draw(std::uint32_t timeout_ms = 5000) {
        if (Send(mrcsim::kChDraw, {0, 0, 12345, 678}) != 0) return -1;
        Words r{};
        const std::int32_t rc = Receive(mrcsim::kChDrawReply, r, timeout_ms);
        if (rc == -6) return -2;
        if (rc != 0) return -1;
        return r[1] == 0 ? 0 : -3;
    }

    // ---- registers ----
    std::uint32_t ReadWord(std::uint32_t a) {
        std::uint32_t v = 0xDEADBEEF;
        last_status = g_->op6_read32(a, &v);
        return v;
    }
    bool WriteWord(std::uint32_t a, std::uint32_t v) { return (last_status = g_->op7_write32(a, v)) == 0; }

    // ---- transfer windows, bridge side ----
    static std::uint32_t PackWord(const std::uint8_t* p, std::uint32_t n) {
        std::uint32_t w = 0;
        for (std::uint32_t k = 0; k < n; ++k) w |= static_cast<std::uint32_t>(p[k]) << (24 - 8 * k);
        return w;
    }
    bool WriteBytes(std::uint32_t addr, const std::uint8_t* p, std::uint32_t n) {
        const std::uint32_t full = n / 4;
        std::vector<std::uint32_t> words(full);
        for (std::uint32_t i = 0; i < full; ++i) words[i] = PackWord(p + 4 * i, 4);
        if (full && g_->op13_write_block(addr, words.data(), full * 4) != 0) return false;
        if (n % 4) return g_->op7_write32(addr + full * 4, PackWord(p + full * 4, n % 4)) == 0;
        return true;
    }
    bool ReadBytes(std::uint32_t addr, std::uint8_t* p, std::uint32_t n) {
        const std::uint32_t full = n / 4;
        std::vector<std::uint32_t> words(full);
        if (full && g_->op12_read_block(addr, words.data(), full * 4) != 0) return false;
        for (std::uint32_t i = 0; i < full; ++i)
            for (int k = 0; k < 4; ++k) p[4 * i + k] = static_cast<std::uint8_t>(words[i] >> (24 - 8 * k));
        if (n % 4) {
            std::uint32_t w = 0;
            if (g_->op6_read32(addr + full * 4, &w) != 0) return false;
            for (std::uint32_t k = 0; k < n % 4; ++k) p[full * 4 + k] = static_cast<std::uint8_t>(w >> (24 - 8 * k));
        }
        return true;
    }
    bool WaitFlag(std::uint32_t w, std::uint32_t v, std::uint32_t timeout_ms = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < end) {
            std::uint32_t f = 0;
            if (g_->op6_read32(mrcsim::WindowBase(w) + mrcsim::kWinFlag, &f) != 0) return false;
            if (f == v) return true;
            std::this_thread::yield();
        }
        return false;
    }
    bool WriteName(std::uint32_t w, const std::string& name) {
        if (name.size() + 1 > 256) return false;
        if (!WaitFlag(w, 0)) return false;
        std::vector<std::uint8_t> b(name.begin(), name.end());
        b.push_back(0);
        return WriteBytes(mrcsim::WindowBase(w) + mrcsim::kWinName, b.data(), static_cast<std::uint32_t>(b.size()));
    }
    // write file: 0, -1, -2, -3, -7 like the bridge; `chunks` receives the chunk sizes
    std::int32_t WriteFile(const std::string& name, std::uint32_t w, const std::vector<std::uint8_t>& data,
                           std::vector<std::uint32_t>* chunks = nullptr) {
        const std::uint32_t B = mrcsim::WindowBase(w);
        if (data.empty()) return -1;
        if (!WriteWord(mrcsim::kParam0, w)) return -1;
        const std::int32_t s = Send(mrcsim::kChCommand, {mrcsim::kCmdFileToCtrl, 0, 0, 0});
        if (s != 0) return s == -6 ? -2 : -1;
        if (!WriteName(w, name)) return -1;
        if (!WaitFlag(w, 0)) return -1;
        const std::uint32_t len = static_cast<std::uint32_t>(data.size());
        WriteWord(B + mrcsim::kWinTotal, len);
        WriteWord(B + mrcsim::kWinRemaining, len);
        WriteWord(B + mrcsim::kWinChunk, 0);
        std::uint32_t left = len, off = 0;
        while (left > 0) {
            if (!WaitFlag(w, 0)) return -1;
            const std::uint32_t c = left < 1280 ? left : 1280;
            if (!WriteBytes(B + mrcsim::kWinData, data.data() + off, c)) return -1;
            WriteWord(B + mrcsim::kWinChunk, c);
            const std::uint32_t still = ReadWord(B + mrcsim::kWinRemaining);
            WriteWord(B + mrcsim::kWinRemaining, still - c);
            if (chunks) chunks->push_back(c);
            WriteWord(B + mrcsim::kWinFlag, 1);
            left -= c;
            off += c;
        }
        return WaitReply(mrcsim::kCmdFileToCtrl);
    }
    std::int32_t ReadFile(const std::string& name, std::uint32_t w, std::vector<std::uint8_t>& out) {
        const std::uint32_t B = mrcsim::WindowBase(w);
        if (!WriteWord(mrcsim::kParam0, w)) return -1;
        if (!WriteName(w, name)) return -1;
        const std::int32_t s = Send(mrcsim::kChCommand, {mrcsim::kCmdFileFromCtrl, 0, 0, 0});
        if (s != 0) return s == -6 ? -2 : -1;
        if (!WaitFlag(w, 1)) return -1;
        const std::uint32_t total = ReadWord(B + mrcsim::kWinTotal);
        out.assign(total, 0);
        std::uint32_t got = 0, still = total;
        while (still > 0) {
            if (!WaitFlag(w, 1)) return -1;
            const std::uint32_t c = ReadWord(B + mrcsim::kWinChunk);
            still = ReadWord(B + mrcsim::kWinRemaining);
            if (got + c > total) return -1;
            if (!ReadBytes(B + mrcsim::kWinData, out.data() + got, c)) return -1;
            got += c;
            WriteWord(B + mrcsim::kWinFlag, 0);
        }
        if (total == 0) WriteWord(B + mrcsim::kWinFlag, 0);
        return WaitReply(mrcsim::kCmdFileFromCtrl);
    }
    std::int32_t WaitReply(std::uint32_t code) {
        Words r{};
        for (;;) {
            const std::int32_t rc = Receive(mrcsim::kChReply, r, 30000);
            if (rc != 0) return -1;
            if (r[0] == code) break;
        }
        if (r[1] != 0) return -3;
        if (r[2] != 0) return -7;
        return 0;
    }
    // run shell command as the bridge does; returns the first failing step's result, exit in *exit_status
    std::int32_t Shell(const std::string& line, std::uint32_t* exit_status) {
        std::int32_t rc = Command(mrcsim::kCmdShellReset);
        if (rc) return rc;
        rc = WriteFile("/dev/shm/shell_cmd", 0, std::vector<std::uint8_t>(line.begin(), line.end()));
        if (rc) return rc;
        rc = Command(mrcsim::kCmdShellRun);
        if (rc) return rc;
        *exit_status = ReadWord(mrcsim::kResult0);
        std::vector<std::uint8_t> out;
        rc = ReadFile("/dev/shm/shell_out", 2, out);
        if (rc) return rc;
        shell_output.assign(out.begin(), out.end());
        return Command(mrcsim::kCmdShellReset);
    }

    // ---- what arrived ----
    std::size_t Pending(std::uint32_t ch) {
        std::lock_guard<std::mutex> lk(mu_);
        return q_[ch].size();
    }
    std::vector<Words> Drain(std::uint32_t ch) {
        std::lock_guard<std::mutex> lk(mu_);
        std::vector<Words> v(q_[ch].begin(), q_[ch].end());
        q_[ch].clear();
        return v;
    }
    bool Lost(std::uint32_t ch) {
        std::lock_guard<std::mutex> lk(mu_);
        return lost_[ch];
    }
    void ClearLost(std::uint32_t ch) {
        std::lock_guard<std::mutex> lk(mu_);
        lost_[ch] = false;
    }
    bool ReceiverOnlyOn(std::thread::id caller) {
        std::lock_guard<std::mutex> lk(mu_);
        return !threads_.empty() && !threads_.count(caller);
    }
    std::size_t Received() {
        std::lock_guard<std::mutex> lk(mu_);
        return count_;
    }
    // optional hook run on the receiving thread for each message (e.g. unregistering from inside)
    void (*hook)(const merrowcom::Message*, std::uint32_t) = nullptr;

    std::uint32_t last_status = 0;
    std::string shell_output;

private:
    static void OnMessage(const merrowcom::Message* m, std::uint32_t flags) {
        Host* h = Current();
        if (!h) return;
        {
            std::lock_guard<std::mutex> lk(h->mu_);
            h->threads_.insert(std::this_thread::get_id());
            ++h->count_;
            if (flags & merrowcom::kFlagLost) h->lost_[m->channel] = true;
            Words w{m->word[0], m->word[1], m->word[2], m->word[3]};
            h->q_[m->channel].push_back(w);
        }
        h->cv_.notify_all();
        if (h->hook) h->hook(m, flags);
    }

    static inline Host* current_ = nullptr;
    merrowcom::GenericFunc* g_;
    std::mutex mu_;
    std::condition_variable cv_;
    std::map<std::uint32_t, std::deque<Words>> q_;
    std::map<std::uint32_t, bool> lost_;
    std::set<std::thread::id> threads_;
    std::size_t count_ = 0;
};

}  // namespace testhost
