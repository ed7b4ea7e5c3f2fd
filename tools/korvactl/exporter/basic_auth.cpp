#include "tools/korvactl/exporter/basic_auth.h"

#include <crypt.h>
#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>

#include <array>
#include <memory>

namespace korva::ctl {

namespace {

// A few checks at once: each holds a core for its tens of milliseconds.
constexpr std::size_t kCheckers = 2;
constexpr std::size_t kChecksWaiting = 32;
// Credentials remembered as verified; more (many users, or passwords changed often) start the set again.
constexpr std::size_t kVerifiedKept = 256;

// The credential as the set keeps it: a SHA-256 of the user, the hash it was checked against and the
// password, so that a changed hash forgets it and the password itself is never kept.
std::string Digest(const std::string& user, const std::string& hash, const std::string& password) {
    std::string credential = user;
    credential.append(1, '\0').append(hash).append(1, '\0').append(password);
    std::array<unsigned char, 32> digest{};
    gnutls_hash_fast(GNUTLS_DIG_SHA256, credential.data(), credential.size(), digest.data());
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

}  // namespace

bool PasswordMatches(const std::string& password, const std::string& hash) {
    const auto data = std::make_unique<crypt_data>();
    const char* result = crypt_r(password.c_str(), hash.c_str(), data.get());
    if (result == nullptr || result[0] == '*')
        return false;
    const std::string computed = result;
    if (computed.size() != hash.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < hash.size(); ++i)
        difference |= static_cast<unsigned char>(computed[i] ^ hash[i]);
    return difference == 0;
}

BasicAuth::BasicAuth(std::map<std::string, std::string> users, WorkerPool::Deliver deliver)
    : users_(std::move(users)), pool_(kCheckers, kChecksWaiting, std::move(deliver)) {}

void BasicAuth::Check(const std::string& user, const std::string& password, std::function<void(Verdict)> done) {
    const auto found = users_.find(user);
    // An unknown user costs the same bcrypt as a known one, so that the time does not tell which
    // names exist; its check can never pass.
    const bool known = found != users_.end();
    const std::string& hash = known ? found->second : users_.begin()->second;
    std::string digest = Digest(user, hash, password);
    if (known && verified_.contains(digest)) {
        done(Verdict::kAccepted);
        return;
    }
    const bool queued = pool_.TrySubmit([this, password, hash, known, digest = std::move(digest),
                                         done]() mutable -> std::function<void()> {
        const bool matches = PasswordMatches(password, hash) && known;
        return [this, matches, digest = std::move(digest), done = std::move(done)] {
            if (matches) {
                if (verified_.size() >= kVerifiedKept)
                    verified_.clear();
                verified_.insert(digest);
            }
            done(matches ? Verdict::kAccepted : Verdict::kRefused);
        };
    });
    if (!queued)
        done(Verdict::kBusy);
}

}  // namespace korva::ctl
