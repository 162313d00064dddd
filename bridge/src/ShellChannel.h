// File transfers through the controller's four transfer windows and the shell-command
// channel on top of them. Platform-free: everything goes through the connection's register
// operations and channels 34 / 35.
//
// Locks: WriteControllerFile and ReadControllerFile hold the command lock for a whole exchange (level 3 of the
// order in connection.h); RunShell takes it once per command or transfer, never nested.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvane::shell {

// Transfer window w (0..3) lives at WindowBase(w) + the offsets below.
constexpr std::uint32_t kWindowCount = 4;
constexpr std::uint32_t WindowBase(std::uint32_t w) { return 0x0E100000u + w * 0x800u; }
constexpr std::uint32_t kFlag = 0x1000u;       // 0: free for the writer, 1: ready for the reader
constexpr std::uint32_t kTotal = 0x1100u;      // file length in bytes
constexpr std::uint32_t kStillToCome = 0x1104u;
constexpr std::uint32_t kChunkLength = 0x1108u;
constexpr std::uint32_t kName = 0x1200u;
constexpr std::uint32_t kData = 0x1300u;
constexpr std::uint32_t kNameBytes = 256;   // 255 characters and the terminator
constexpr std::uint32_t kChunkBytes = 1280;

// Window use.
constexpr std::uint32_t kWinCommandFile = 0;
constexpr std::uint32_t kWinImageToController = 1;
constexpr std::uint32_t kWinCommandOutput = 2;
constexpr std::uint32_t kWinImageFromController = 3;

// Controller commands of the channel.
constexpr std::uint32_t kCmdReceiveFile = 0x100001u;  // the controller receives a file
constexpr std::uint32_t kCmdSendFile = 0x110001u;     // the controller sends a file
constexpr std::uint32_t kCmdShellReset = 0x120001u;
constexpr std::uint32_t kCmdShellRun = 0x130001u;

constexpr const char kShellCmdFile[] = "/dev/shm/shell_cmd";
constexpr const char kShellOutFile[] = "/dev/shm/shell_out";
constexpr std::size_t kCommandLineBytes = 1024;

// How long the bridge waits for a controller that stopped answering. Every wait is bounded:
// a flag that does not change within `handshake`, a transfer reply or shell reset not
// answered within the usual 5-second command limit, and a shell command line (which may
// write flash) not finished within `shell_run`, end the operation with -2.
struct Limits {
    std::chrono::milliseconds handshake{5000};
    std::chrono::milliseconds shell_run{120000};
};
Limits CurrentLimits();
void SetLimits(const Limits& l);  // tests shorten them

// Called after every chunk, with the window and the counts the writer put into it.
struct ChunkInfo {
    std::uint32_t window;
    std::uint32_t total;
    std::uint32_t still_to_come;
};
using ChunkCallback = std::function<void(const ChunkInfo&)>;

// Byte layout of the name and data areas: each group of four bytes is one 32-bit word with
// the first byte in the most significant position; a final group of 1 to 3 bytes fills the
// high positions of its word and leaves zeros below. `words` holds (n + 3) / 4 entries.
void PackWords(const std::uint8_t* bytes, std::size_t n, std::uint32_t* words);
void UnpackWords(const std::uint32_t* words, std::size_t n, std::uint8_t* bytes);

// Results: 0; -1 bad argument, failed register step or a controller that broke the
// handshake; -2 the controller did not answer in time (or a send was not delivered);
// -3 / -7 the controller's reply carried a failure (word1 / word2).

// Moves `length` bytes (1..4 GiB) to the controller's file `name` (at most 255 characters)
// through window `window`. Bad arguments are refused before anything is sent.
[[nodiscard]] std::int32_t WriteControllerFile(const std::string& name, std::uint32_t window, const std::uint8_t* data,
                        std::size_t length, const ChunkCallback& on_chunk);

// Fetches the controller's file `name` through window `window` into `out`.
[[nodiscard]] std::int32_t ReadControllerFile(const std::string& name, std::uint32_t window, std::vector<std::uint8_t>& out,
                       const ChunkCallback& on_chunk);

// Runs one command line in the controller's shell; `exit_status` is the line's exit status.
[[nodiscard]] std::int32_t RunShell(const std::string& line, std::uint32_t& exit_status);

}  // namespace tolvane::shell
