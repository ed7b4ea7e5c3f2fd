#pragma once
// The passwords of --web-config's basic_auth_users, checked against their bcrypt hashes with the
// system's crypt. A check takes tens of milliseconds by design, so it runs on a worker of its own, never
// on the event loop; a credential once verified is remembered (as a digest, never the password) so
// that Prometheus's scrapes after the first cost no bcrypt at all.
#include "tools/korvactl/exporter/worker_pool.h"

#include <functional>
#include <map>
#include <set>
#include <string>

namespace korva::ctl {

class BasicAuth {
public:
    enum class Verdict { kAccepted, kRefused, kBusy };

    // users: name → bcrypt hash. deliver: runs a task on the event loop's thread.
    BasicAuth(std::map<std::string, std::string> users, WorkerPool::Deliver deliver);

    // done runs on the event loop's thread, maybe before Check returns (a credential verified before).
    void Check(const std::string& user, const std::string& password, std::function<void(Verdict)> done);

private:
    std::map<std::string, std::string> users_;
    std::set<std::string> verified_;  // digests of credentials bcrypt accepted
    WorkerPool pool_;
};

// Whether password matches the bcrypt hash, by the system's crypt; in time that does not tell how
// much of it matched.
bool PasswordMatches(const std::string& password, const std::string& hash);

}  // namespace korva::ctl
