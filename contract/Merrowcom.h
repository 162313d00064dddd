// Binary contract of the vendor component "Merrowcom.dll".
//
// The device bridge loads the component by name and binds three factories; each
// returns an interface whose operations are numbered by their slot in the table,
// counting from 0. Both the bridge and our stand-in component include this one
// header, so the two sides can never disagree on a slot or an argument.
//
// Slots the bridge never calls are kept as placeholders so the numbering stays
// fixed. Every operation returns a 32-bit status, 0 for success.
#pragma once

#include <cstdint>

namespace merrowcom {

// One message as exchanged by GenericFunc op 5 and the receiver: eight 32-bit words.
struct Message {
    std::uint32_t reserved0;  // not used by the bridge
    std::uint32_t reserved1;  // not used by the bridge
    std::uint32_t kind;       // the bridge sends 2
    std::uint32_t channel;    // 0..255
    std::uint32_t word[4];    // word0..word3
};
static_assert(sizeof(Message) == 32, "message record is eight 32-bit words");

// Reply record filled by op 5 (same shape as a message).
struct SendReply {
    std::uint32_t reserved0;
    std::uint32_t reserved1;
    std::uint32_t accepted;   // third word: non-zero once the message was taken
    std::uint32_t reserved3;
    std::uint32_t result;     // fifth word: 0 on success
    std::uint32_t reserved5;
    std::uint32_t reserved6;
    std::uint32_t reserved7;
};
static_assert(sizeof(SendReply) == 32, "reply record is eight 32-bit words");

// Status asking the sender to repeat op 5.
constexpr std::uint32_t kStatusBusy = 0xC00000A3u;
// Bit 0 of the receiver's flags: messages of that channel were lost.
constexpr std::uint32_t kFlagLost = 0x1u;
// Timeout the bridge passes to op 5.
constexpr std::uint32_t kSendTimeoutMs = 5000u;

// Called by the component on its own thread, never on the caller's.
using Receiver = void (*)(const Message* msg, std::uint32_t flags);

#if defined(_WIN32)
#define MRC_CALL __stdcall
#else
#define MRC_CALL
#endif

// Slots 1..3 are used; slot 0 is a placeholder.
struct DeviceUtil {
    virtual std::uint32_t MRC_CALL op0_reserved() = 0;
    virtual std::uint32_t MRC_CALL op1_startup_first(std::uint32_t* out) = 0;
    virtual std::uint32_t MRC_CALL op2_startup_second(std::uint32_t* out) = 0;
    virtual std::uint32_t MRC_CALL op3_release() = 0;
};

struct GenericFunc {
    virtual std::uint32_t MRC_CALL op0_reserved() = 0;
    virtual std::uint32_t MRC_CALL op1_reserved() = 0;
    virtual std::uint32_t MRC_CALL op2_reserved() = 0;
    // (3, 10, 0, receiver): registers the receiver.
    virtual std::uint32_t MRC_CALL op3_register(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                                Receiver receiver) = 0;
    // (3): unregisters it.
    virtual std::uint32_t MRC_CALL op4_unregister(std::uint32_t a) = 0;
    // Sends one message; kStatusBusy asks for a repeat.
    virtual std::uint32_t MRC_CALL op5_send(const Message* request, SendReply* reply,
                                            std::uint32_t timeout_ms) = 0;
    virtual std::uint32_t MRC_CALL op6_read32(std::uint32_t address, std::uint32_t* value) = 0;
    virtual std::uint32_t MRC_CALL op7_write32(std::uint32_t address, std::uint32_t value) = 0;
    virtual std::uint32_t MRC_CALL op8_read64(std::uint32_t address, double* value) = 0;
    virtual std::uint32_t MRC_CALL op9_write64(std::uint32_t address, double value) = 0;
    virtual std::uint32_t MRC_CALL op10_reserved() = 0;
    virtual std::uint32_t MRC_CALL op11_reserved() = 0;
    virtual std::uint32_t MRC_CALL op12_read_block(std::uint32_t address, void* buffer,
                                                   std::uint32_t length) = 0;
    virtual std::uint32_t MRC_CALL op13_write_block(std::uint32_t address, const void* buffer,
                                                    std::uint32_t length) = 0;
};

// Created and kept by the bridge; no operation is called.
struct SystemCtrl {
    virtual std::uint32_t MRC_CALL op0_reserved() = 0;
};

// Factory signatures, bound by name with GetProcAddress.
using CreateDeviceUtilFn = DeviceUtil* (*)();
using CreateGenericFuncFn = GenericFunc* (*)();
using CreateSystemCtrlFn = SystemCtrl* (*)();

inline constexpr const char kDllName[] = "Merrowcom.dll";
inline constexpr const char kCreateDeviceUtil[] = "CreateDeviceUtilInstance";
inline constexpr const char kCreateGenericFunc[] = "CreateGenericfuncInstance";
inline constexpr const char kCreateSystemCtrl[] = "CreateSystemCtrlInstance";

}  // namespace merrowcom
