// A decorator that lets a test make any single operation answer a chosen code, or run a
// replacement that fills the outputs as the test wants, for chosen calls. Everything else passes
// to the inner client. It also counts the calls of each operation.
//
//     nw::sim::SimClient sim = ...;
//     nw::FaultInjectingClient faulty(sim);
//     faulty.fail(nw::Op::NWGetUserInfo, nw::USER_INFO_AUTHENTICATED);         // every call
//     faulty.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION, {.skip = 1, .times = 1});
//     faulty.replace<nw::Op::NWScanOpenFilesByConn2>(
//         [](auto, auto, nw::nint16* iter, auto, auto) { *iter = 5; return nw::FAILURE; });
//     codeUnderTest(faulty);
//     EXPECT_EQ(faulty.calls(nw::Op::NWCCCloseConn), 1);
#pragma once

#include <any>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "netclient/client.h"
#include "netclient/operations.h"

namespace nw {

enum class Op {
#define NW_OP_ENUM(name, params, args) name,
    NW_CLIENT_OPERATIONS(NW_OP_ENUM)
#undef NW_OP_ENUM
};

#define NW_OP_COUNT(name, params, args) +1
inline constexpr std::size_t kOpCount = 0 NW_CLIENT_OPERATIONS(NW_OP_COUNT);
#undef NW_OP_COUNT

// The operation's name, e.g. "NWGetUserInfo".
NWC_API const char* opName(Op op);

// The std::function type of a replacement for operation op.
template <Op op>
struct OpSignature;
#define NW_OP_SIGNATURE(name, params, args)             \
    template <>                                         \
    struct OpSignature<Op::name> {                      \
        using Function = std::function<NWCCODE params>; \
    };
NW_CLIENT_OPERATIONS(NW_OP_SIGNATURE)
#undef NW_OP_SIGNATURE

// Which calls a fault hits: the first `skip` calls pass through, then the next `times` calls
// are faulted (-1: every further call).
struct FaultPlan {
    int skip = 0;
    int times = -1;
};

class NWC_API FaultInjectingClient : public Client {
public:
    explicit FaultInjectingClient(Client& inner) : inner_(inner) {}

    // Faulted calls answer code without reaching the inner client; outputs stay untouched.
    void fail(Op op, NWCCODE code, FaultPlan plan = {}) {
        faults_[index(op)] = Fault{plan.skip, plan.times, code, {}};
    }

    // Faulted calls run fn instead (it may call inner() itself) and answer what fn answers.
    template <Op op>
    void replace(typename OpSignature<op>::Function fn, FaultPlan plan = {}) {
        faults_[index(op)] = Fault{plan.skip, plan.times, std::nullopt, std::any(std::move(fn))};
    }

    void clear(Op op) { faults_[index(op)].reset(); }
    void clearAll() { faults_ = {}; }

    // Calls of op seen so far, faulted or not.
    int calls(Op op) const { return calls_[index(op)]; }
    Client& inner() { return inner_; }

#define NW_FAULT_OPERATION(name, params, args)                                           \
    NWCCODE name params override {                                                       \
        Fault* fault = take(Op::name);                                                   \
        if (fault == nullptr)                                                            \
            return inner_.name args;                                                     \
        if (fault->code)                                                                 \
            return *fault->code;                                                         \
        return std::any_cast<OpSignature<Op::name>::Function&>(fault->replacement) args; \
    }
    NW_CLIENT_OPERATIONS(NW_FAULT_OPERATION)
#undef NW_FAULT_OPERATION

private:
    struct Fault {
        int skip;
        int times;
        std::optional<NWCCODE> code;
        std::any replacement;
    };

    static constexpr std::size_t index(Op op) {
        return static_cast<std::size_t>(op);
    }

    Fault* take(Op op) {
        ++calls_[index(op)];
        std::optional<Fault>& fault = faults_[index(op)];
        if (!fault)
            return nullptr;
        if (fault->skip > 0) {
            --fault->skip;
            return nullptr;
        }
        if (fault->times == 0)
            return nullptr;
        if (fault->times > 0)
            --fault->times;
        return &*fault;
    }

    Client& inner_;
    std::array<std::optional<Fault>, kOpCount> faults_{};
    std::array<int, kOpCount> calls_{};
};

}  // namespace nw
