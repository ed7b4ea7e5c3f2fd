// The exporter's parts that wait on others: the web configuration as read at start, bcrypt checks and
// host names on their workers, and the server's own event loop with a resolver that hangs and a
// client that never finishes its request.
#include "tests/support/http_burst.h"
#include "tests/support/loopback_address.h"
#include "tests/support/suite_addresses.h"
#include "tools/korvactl/exporter/basic_auth.h"
#include "tools/korvactl/exporter/event_loop.h"
#include "tools/korvactl/exporter/http_server.h"
#include "tools/korvactl/exporter/name_resolver.h"
#include "tools/korvactl/exporter/probe_sockets.h"
#include "tools/korvactl/exporter/prober.h"
#include "tools/korvactl/exporter/web_config.h"

#include <crypt.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"exporter_parts"};
// Where the exporter's server listens.
const std::string kServerAddress = addresses[1];
const std::uint16_t kServerPort = addresses.Port();

// Tasks the workers deliver, run when the test says: the test's thread plays the event loop.
class DeliveredTasks {
public:
    WorkerPool::Deliver Deliver() {
        return [this](std::function<void()> task) {
            const std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            arrived_.notify_all();
        };
    }
    // Runs what has been delivered, waiting up to patience for at least one task.
    void RunDelivered(std::chrono::milliseconds patience = 10s) {
        std::vector<std::function<void()>> tasks;
        {
            std::unique_lock lock(mutex_);
            arrived_.wait_for(lock, patience, [this] { return !tasks_.empty(); });
            tasks.swap(tasks_);
        }
        for (auto& task : tasks)
            task();
        ran_ += tasks.size();
    }
    // How many delivered tasks have run: one for each job a worker finished.
    std::size_t Ran() const { return ran_; }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::function<void()>> tasks_;
    std::size_t ran_ = 0;
};

// A lookup that blocks until the test opens its gate, counting the names it was asked.
class GatedLookUp {
public:
    std::optional<std::uint32_t> operator()(const std::string& name) {
        std::unique_lock lock(mutex_);
        asked_.push_back(name);
        open_.wait(lock, [this] { return opened_; });
        return name == "gone.site" ? std::nullopt : std::optional<std::uint32_t>(0x7F000102);
    }
    void Open() {
        const std::lock_guard lock(mutex_);
        opened_ = true;
        open_.notify_all();
    }
    std::vector<std::string> Asked() {
        const std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    std::mutex mutex_;
    std::condition_variable open_;
    bool opened_ = false;
    std::vector<std::string> asked_;
};

TEST(CachingResolver, AnswersByTheDeadlineWhileTheNameServerHangsAsksEachNameOnceAndKeepsTheAnswer) {
    auto lookUp = std::make_shared<GatedLookUp>();
    DeliveredTasks loop;
    const SteadyTime start{};
    SteadyTime now = start;
    CachingResolver names([lookUp](const std::string& name) { return (*lookUp)(name); }, loop.Deliver(),
                          {.workers = 1, .waitingNames = 1, .kept = 60s, .keptNames = 16}, [&now] { return now; });
    std::vector<std::pair<std::string, NameAnswer::Kind>> answers;
    const auto ask = [&](const std::string& name, SteadyTime now, SteadyTime deadline) {
        names.Resolve(name, now, deadline, [&answers, name](NameAnswer a) { answers.push_back({name, a.kind}); });
    };
    ask("device.site", start, start + 300ms);
    ask("device.site", start + 10ms, start + 900ms);  // the same name: asked once
    while (lookUp->Asked().empty())  // the worker has taken it: the queue is empty again
        std::this_thread::sleep_for(1ms);
    ask("gone.site", start, start + 300ms);  // waits for the one worker
    ask("third.site", start, start + 300ms);          // beyond the queue's room
    EXPECT_EQ(answers, (decltype(answers){{"third.site", NameAnswer::Kind::kBusy}}));
    EXPECT_EQ(names.NextDeadline(), start + 300ms);

    // The name server still hangs when the first deadline comes: those probes go on without it.
    names.OnTime(start + 300ms);
    EXPECT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[1], std::make_pair(std::string("device.site"), NameAnswer::Kind::kTooSlow));
    EXPECT_EQ(answers[2], std::make_pair(std::string("gone.site"), NameAnswer::Kind::kTooSlow));
    EXPECT_EQ(names.NextDeadline(), start + 900ms);

    now = start + 500ms;
    lookUp->Open();
    loop.RunDelivered();
    while (answers.size() < 4)
        loop.RunDelivered();
    EXPECT_EQ(answers[3], std::make_pair(std::string("device.site"), NameAnswer::Kind::kAddress));
    // gone.site's answer comes back after device.site's: only then is it kept.
    while (loop.Ran() < 2)
        loop.RunDelivered();
    EXPECT_EQ(names.NextDeadline(), std::nullopt);

    // Both answers are kept, the missing name's too, and ask the name server nothing more.
    answers.clear();
    ask("device.site", start + 1s, start + 2s);
    ask("gone.site", start + 1s, start + 2s);
    EXPECT_EQ(answers, (decltype(answers){{"device.site", NameAnswer::Kind::kAddress},
                                          {"gone.site", NameAnswer::Kind::kNotFound}}));
    EXPECT_EQ(lookUp->Asked(), (std::vector<std::string>{"device.site", "gone.site"}));
    // A minute later they are asked again.
    ask("device.site", start + 62s, start + 63s);
    loop.RunDelivered();
    EXPECT_EQ(lookUp->Asked().size(), 3u);
}

TEST(BasicAuth, ChecksTheBcryptHashOnAWorkerAndRemembersOnlyWhatItAccepted) {
    crypt_data data{};
    const std::string hash = crypt_r("s3cret", crypt_gensalt_rn("$2b$", 4, nullptr, 0, data.setting,
                                                                sizeof data.setting),
                                     &data);
    DeliveredTasks loop;
    BasicAuth auth({{"prometheus", hash}}, loop.Deliver());
    const auto check = [&](const std::string& user, const std::string& password) {
        std::optional<BasicAuth::Verdict> verdict;
        auth.Check(user, password, [&verdict](BasicAuth::Verdict v) { verdict = v; });
        const bool atOnce = verdict.has_value();
        while (!verdict)
            loop.RunDelivered();
        return std::make_pair(*verdict, atOnce);
    };
    using V = BasicAuth::Verdict;
    EXPECT_EQ(check("prometheus", "s3cret"), std::make_pair(V::kAccepted, false));
    EXPECT_EQ(check("prometheus", "s3cret"), std::make_pair(V::kAccepted, true)) << "bcrypt ran again";
    EXPECT_EQ(check("prometheus", "S3cret"), std::make_pair(V::kRefused, false));
    EXPECT_EQ(check("prometheus", "s3cret "), std::make_pair(V::kRefused, false));
    EXPECT_EQ(check("intruder", "s3cret"), std::make_pair(V::kRefused, false)) << "another user's password";
    EXPECT_FALSE(PasswordMatches("s3cret", "$2b$04$short"));
}

TEST(WebConfig, RefusesEveryFaultWithItsLineAndReason) {
    const std::string hash = "$2y$10$mDwo.lAisC94iLAyP81MCesa29IzH37oigHC/42V2pdJlUprsJPze";
    struct Case {
        std::string text;
        std::string error;  // after "FILE: "
    };
    const Case cases[] = {
        {"basic_auth_users:\n  alice: " + hash + "\n", ""},
        {"", ""},
        {"basic_auth_users:\n  alice: [1\n", "line 3: end of sequence flow not found"},
        {"- tls_server_config\n", "line 1: the file must hold tls_server_config, basic_auth_users or both"},
        {"basic_auth_users:\n  alice: " + hash + "\nbasic_auth_users: {}\n", "line 3: basic_auth_users is given twice"},
        {"rate_limit:\n  burst: 20\n", "line 1: rate_limit is not supported by korvactl exporter"},
        {"tls_config:\n  cert_file: a\n", "line 1: unknown key tls_config"},
        {"basic_auth_users:\n  alice: secret\n", "line 2: the password of alice is not a bcrypt hash"},
        {"basic_auth_users:\n  alice: " + hash.substr(0, 59) + "\n", "line 2: the password of alice is not a bcrypt"},
        {"basic_auth_users:\n  'al:ice': " + hash + "\n", "line 2: the user name 'al:ice' cannot be sent"},
        {"basic_auth_users:\n  alice: " + hash + "\n  alice: " + hash + "\n", "line 3: the user alice is given twice"},
        {"basic_auth_users: alice\n", "line 1: basic_auth_users must map each user name to a bcrypt hash"},
        {"tls_server_config:\n  key_file: x.key\n", "line 2: tls_server_config needs cert_file"},
        {"tls_server_config:\n  cert_file: none.crt\n  key_file: none.key\n",
         "line 2: cert_file: cannot read /tmp/none.crt: No such file or directory"},
        {"tls_server_config:\n  cert: abc\n", "line 2: tls_server_config.cert is not supported by korvactl exporter"},
        {"tls_server_config:\n  min_version: TLS13\n", "line 2: tls_server_config.min_version is not supported"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto config = ParseWebConfig(c.text, "/tmp/web.yml", error);
        EXPECT_EQ(config.has_value(), c.error.empty()) << c.text << error;
        if (!c.error.empty()) {
            EXPECT_EQ(error.substr(0, 14 + c.error.size()), "/tmp/web.yml: " + c.error) << c.text;
        }
    }
}

TEST(WebConfig, ReadsTheCertificateAndKeyBesideItAndRefusesAPairThatDoesNotMatch) {
    // GnuTLS's own test certificate would do, but a pair made here keeps the test to what it states.
    const std::string folder = "/tmp/korva_web_config_pair_" + std::to_string(getpid());
    ASSERT_EQ(std::system(("mkdir -p " + folder + " && cd " + folder +
                           " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1"
                           " -subj /CN=a -keyout a.key -out a.crt 2>/dev/null"
                           " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1"
                           " -subj /CN=b -keyout b.key -out b.crt 2>/dev/null")
                              .c_str()),
              0);
    const auto read = [&](const std::string& text, std::string& error) {
        return ParseWebConfig(text, folder + "/web.yml", error);
    };
    std::string error;
    const auto good = read("tls_server_config:\n  cert_file: a.crt\n  key_file: a.key\n", error);
    ASSERT_TRUE(good) << error;
    EXPECT_NE(good->tls->certificate.find("BEGIN CERTIFICATE"), std::string::npos);
    EXPECT_EQ(good->tls->clientAuth, ClientAuth::kNone);
    EXPECT_FALSE(read("tls_server_config:\n  cert_file: a.crt\n  key_file: b.key\n", error));
    EXPECT_NE(error.find("line 2: cert_file and key_file: "), std::string::npos) << error;
    const auto verified = read("tls_server_config:\n  cert_file: a.crt\n  key_file: a.key\n"
                               "  client_auth_type: RequireAndVerifyClientCert\n  client_ca_file: b.crt\n",
                               error);
    ASSERT_TRUE(verified) << error;
    EXPECT_EQ(verified->tls->clientAuth, ClientAuth::kRequireAndVerify);
    const std::pair<std::string, std::string> refused[] = {
        {"  client_auth_type: RequireAndVerifyClientCert\n", "line 4: client_auth_type checks client certificates"},
        {"  client_ca_file: b.crt\n", "line 4: client_ca_file is given but client_auth_type does not check"},
        {"  client_auth_type: RequireAnyClientCert\n  client_ca_file: b.crt\n", "line 4: client_auth_type "
                                                                                 "RequireAnyClientCert takes"},
        {"  client_auth_type: VerifyClientCertIfGiven\n  client_ca_file: a.key\n", "line 5: client_ca_file: "},
    };
    for (const auto& [lines, reason] : refused) {
        EXPECT_FALSE(read("tls_server_config:\n  cert_file: a.crt\n  key_file: a.key\n" + lines, error)) << lines;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    std::system(("rm -rf " + folder).c_str());
}

// The exporter's server and prober on a loop of their own thread, with a resolver whose name server
// hangs until the test lets it go.
class ServedExporter {
public:
    explicit ServedExporter(std::shared_ptr<GatedLookUp> lookUp)
        : prober_([this](std::uint32_t address, std::string_view request) { sockets_.Send(address, request); }),
          names_([lookUp](const std::string& name) { return (*lookUp)(name); },
                 [this](std::function<void()> task) { loop_.Post(std::move(task)); }),
          scrapes_(Settings(), prober_, names_, [] { return std::chrono::steady_clock::now(); }),
          http_({kServerAddress, kServerPort, std::nullopt, 64, 300ms, 90s}, loop_, scrapes_, nullptr) {
        loop_.AddTimeSource([this] { return names_.NextDeadline(); }, [this](SteadyTime now) { names_.OnTime(now); });
        loop_.AddTimeSource([this] { return prober_.NextDeadline(); }, [this](SteadyTime now) { prober_.OnTime(now); });
        thread_ = std::thread([this] { loop_.Run(); });
    }
    ~ServedExporter() {
        loop_.Post([this] {
            prober_.FinishAll(std::chrono::steady_clock::now());
            names_.AnswerAll();
            loop_.Stop();
        });
        thread_.join();
    }

private:
    static ExporterSettings Settings() {
        ExporterSettings settings;
        settings.timeout = 200ms;
        return settings;
    }

    EventLoop loop_;
    ProbeSockets sockets_;
    Prober prober_;
    CachingResolver names_;
    ExporterScrapes scrapes_;
    HttpServer http_;
    std::thread thread_;
};

TEST(ExporterServer, ASlowNameAnswersByItsDeadlineAndAClientThatNeverEndsItsRequestIsClosed) {
    auto lookUp = std::make_shared<GatedLookUp>();
    std::optional<ServedExporter> exporter(std::in_place, lookUp);

    // A head that never ends: the server closes the connection at its deadline.
    const int stuck = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in server = korva::testing::LoopbackAddress(kServerAddress, kServerPort);
    ASSERT_EQ(connect(stuck, reinterpret_cast<const sockaddr*>(&server), sizeof server), 0);
    ASSERT_EQ(send(stuck, "GET /metr", 9, MSG_NOSIGNAL), 9);

    // The name server hangs on: the probe answers with the device down within its 200 ms.
    const auto answers = korva::testing::GetAll(kServerAddress, kServerPort, {"/probe?target=device.site"}, 10s);
    ASSERT_EQ(answers.front().status, 200) << answers.front().body;
    EXPECT_NE(answers.front().body.find("korva_up{device=\"device.site\"} 0"), std::string::npos)
        << answers.front().body;
    EXPECT_EQ(lookUp->Asked(), std::vector<std::string>{"device.site"});

    const timeval patience{10, 0};  // not a measure: the connection must end, however late
    setsockopt(stuck, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    char byte = 0;
    EXPECT_EQ(recv(stuck, &byte, 1, 0), 0) << "the server left the connection open";
    close(stuck);
    lookUp->Open();
    exporter.reset();
}

}  // namespace
}  // namespace korva::ctl::testing
