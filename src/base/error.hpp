// Errors as values: a message with a chain of causes, outermost first.
#pragma once

#include <expected>
#include <string>
#include <utility>
#include <vector>

namespace tolv {

class Error {
public:
    explicit Error(std::string message) { chain_.push_back(std::move(message)); }

    // Wraps this error under a new outer message (the layer that was running).
    Error context(std::string outer) && {
        chain_.insert(chain_.begin(), std::move(outer));
        return std::move(*this);
    }
    Error context(std::string outer) const& { return Error(*this).context(std::move(outer)); }

    const std::string& message() const { return chain_.front(); }
    const std::vector<std::string>& chain() const { return chain_; }

    // The outermost message, then every cause, each after ": ".
    std::string display() const {
        std::string out;
        for (std::size_t i = 0; i < chain_.size(); ++i) {
            if (i != 0) out += ": ";
            out += chain_[i];
        }
        return out;
    }

private:
    std::vector<std::string> chain_;
};

template <class T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(std::string message) { return std::unexpected(Error(std::move(message))); }

// Adds an outer message to the error of a failed result; passes success through.
template <class T>
Result<T> with_context(Result<T> result, std::string outer) {
    if (!result) return std::unexpected(std::move(result.error()).context(std::move(outer)));
    return result;
}

}  // namespace tolv
