// The outcome of an operation that reports failure as a value rather than by throwing.
#pragma once

#include <string>
#include <utility>

namespace lintel {

/// Done, or failed with a message for the user (code page 932). Callers must look at it:
/// a failure ignored here is data the user loses without a word.
class [[nodiscard]] Outcome {
public:
    /// Done.
    Outcome() = default;
    /// Failed for the reason `message` gives.
    [[nodiscard]] static Outcome Failure(std::string message) {
        return Outcome(std::move(message));
    }

    /// True when the operation was done.
    [[nodiscard]] bool Ok() const { return !failed_; }
    /// Why it failed; empty when Ok.
    [[nodiscard]] const std::string& Error() const { return error_; }

    bool operator==(const Outcome&) const = default;

private:
    explicit Outcome(std::string message) : failed_(true), error_(std::move(message)) {}

    bool failed_ = false;
    std::string error_;
};

}  // namespace lintel
