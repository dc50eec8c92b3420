#include "ctl/core/mqtt_publisher.h"

#include <mosquitto.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace qx::ctl {
namespace {

constexpr int kKeepaliveS = 30;
constexpr int kLoopMs = 20;  // one step of the network loop: the latency of a queued value
constexpr std::size_t kInFlight = 20;  // sent and not yet acknowledged
constexpr auto kMaxBackoff = std::chrono::milliseconds(5000);
constexpr auto kConnackWait = std::chrono::seconds(10);

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        mosquitto_lib_init();
        std::atexit([] { mosquitto_lib_cleanup(); });
    });
}

}  // namespace

std::optional<MqttTarget> ParseMqttUrl(const std::string& url, std::string* problem) {
    auto bad = [problem](const std::string& why) -> std::optional<MqttTarget> {
        if (problem != nullptr) *problem = why + " (the form is mqtt://HOST[:PORT]/TOPIC)";
        return std::nullopt;
    };
    const std::string scheme = "mqtt://";
    if (url.rfind(scheme, 0) != 0) {
        const auto colon = url.find("://");
        return bad(colon == std::string::npos ? "it does not begin with mqtt://"
                                              : "the scheme is not mqtt://");
    }
    const std::string rest = url.substr(scheme.size());
    const auto slash = rest.find('/');
    MqttTarget t;
    std::string hostPort = rest.substr(0, slash);
    if (slash != std::string::npos) t.topic = rest.substr(slash + 1);
    std::string portText;
    if (!hostPort.empty() && hostPort[0] == '[') {  // [::1]:1883
        const auto close = hostPort.find(']');
        if (close == std::string::npos) return bad("the ']' after the IPv6 address is missing");
        t.host = hostPort.substr(1, close - 1);
        if (close + 1 < hostPort.size()) {
            if (hostPort[close + 1] != ':') return bad("a ':' must follow the IPv6 address");
            portText = hostPort.substr(close + 2);
        }
    } else {
        const auto colon = hostPort.find(':');
        t.host = hostPort.substr(0, colon);
        if (colon != std::string::npos) portText = hostPort.substr(colon + 1);
    }
    if (t.host.empty()) return bad("the host is missing");
    if (!portText.empty() || hostPort.back() == ':') {
        char* end = nullptr;
        const long port = std::strtol(portText.c_str(), &end, 10);
        if (portText.empty() || *end != '\0' || port < 1 || port > 65535)
            return bad("the port '" + portText + "' is not a number from 1 to 65535");
        t.port = static_cast<int>(port);
    }
    if (t.topic.empty()) return bad("the topic is missing");
    if (t.topic.find_first_of("+#") != std::string::npos)
        return bad("the topic holds '+' or '#', which only a subscriber may use");
    return t;
}

namespace {

std::string HostPort(const MqttTarget& t) {
    const bool v6 = t.host.find(':') != std::string::npos;
    return (v6 ? "[" + t.host + "]" : t.host) + ":" + std::to_string(t.port);
}

}  // namespace

std::string BrokerErrorText(int rc, int error, const MqttTarget& target) {
    const std::string at = HostPort(target);
    switch (rc) {
        case MOSQ_ERR_EAI:
        case MOSQ_ERR_LOOKUP:
            return "cannot resolve host " + target.host;
        case MOSQ_ERR_CONN_REFUSED:
            return "the broker at " + at + " refused the connection";
        case MOSQ_ERR_CONN_LOST:
            return "the connection to the broker at " + at + " was lost";
        case MOSQ_ERR_NO_CONN:
            return "not connected to the broker at " + at;
        case MOSQ_ERR_PROTOCOL:
        case MOSQ_ERR_MALFORMED_PACKET:
            return at + " does not answer as an MQTT broker";
        case MOSQ_ERR_KEEPALIVE:
        case MOSQ_ERR_TIMEOUT:
            return "the broker at " + at + " stopped answering";
        case MOSQ_ERR_ERRNO:
            break;
        default:
            return std::string("MQTT: ") + mosquitto_strerror(rc);
    }
    switch (error) {
        case ECONNREFUSED:
            return "connection refused by " + at + " (is the broker running?)";
        case ETIMEDOUT:
            return at + " does not answer (a firewall, or the wrong host?)";
        case EHOSTUNREACH:
        case ENETUNREACH:
        case EHOSTDOWN:
            return "no route to " + at + " (is the network up?)";
        case ECONNRESET:
        case EPIPE:
            return "the broker at " + at + " closed the connection";
        default:
            return "cannot reach the broker at " + at + ": " + std::strerror(error);
    }
}

std::string BrokerRefusalText(int connack, const MqttTarget& target) {
    const std::string by = "the broker at " + HostPort(target) + " refused the connection: ";
    switch (connack) {
        case 1:
            return by + "it does not speak MQTT 3.1.1";
        case 2:
            return by + "it does not accept the client id";
        case 3:
            return by + "it is not available now";
        case 4:
        case 5:
            return by + "it wants a user name and password, which meridoctl does not give";
        default:
            return by + mosquitto_connack_string(connack);
    }
}

MqttPublisher::MqttPublisher(MqttTarget target, std::size_t capacity)
    : target_(std::move(target)), capacity_(std::max<std::size_t>(capacity, 1)) {
    char host[64] = {};
    ::gethostname(host, sizeof host - 1);
    clientId_ = "meridoctl-" + std::string(host) + "-" + std::to_string(::getpid());
    clientId_.resize(std::min<std::size_t>(clientId_.size(), 23 + 40));
}

MqttPublisher::~MqttPublisher() {
    Stop();
}

void MqttPublisher::Start() {
    InitLibrary();
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void MqttPublisher::Publish(std::string payload, const std::string& subtopic) {
    std::string topic = subtopic.empty() ? target_.topic : target_.topic + "/" + subtopic;
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= capacity_) {
            // The newest values matter most to a live display; the oldest go first.
            queue_.pop_front();
            ++dropped_;
        }
        queue_.push_back({nextId_++, std::move(topic), std::move(payload), -1});
    }
    changed_.notify_all();
}

std::size_t MqttPublisher::Flush(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [this] { return queue_.empty(); });
    return queue_.size();
}

void MqttPublisher::Stop() {
    stop_ = true;
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::size_t MqttPublisher::Waiting() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::string MqttPublisher::LastError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void MqttPublisher::SetError(std::string text) {
    std::lock_guard lock(mutex_);
    error_ = std::move(text);
}

void MqttPublisher::Run() {
    while (!stop_) {
        const auto now = std::chrono::steady_clock::now();
        if (mosq_ == nullptr) {
            if (now < nextTry_) {
                std::unique_lock lock(mutex_);
                changed_.wait_until(lock, nextTry_, [this] { return stop_.load(); });
                continue;
            }
            Connect();
            continue;
        }
        const int rc = mosquitto_loop(mosq_, kLoopMs, 1);
        const int error = errno;
        if (rc != MOSQ_ERR_SUCCESS && !lost_) {
            SetError(BrokerErrorText(rc, error, target_));
            lost_ = true;
        }
        if (connecting_ && std::chrono::steady_clock::now() - connectStarted_ > kConnackWait) {
            SetError("the broker did not accept the connection in time");
            lost_ = true;
        }
        if (lost_) {
            Drop();
            continue;
        }
        if (connected_) SendWaiting();
    }
    if (mosq_ != nullptr) {
        if (connected_) mosquitto_disconnect(mosq_);
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
        connected_ = false;
    }
}

void MqttPublisher::Connect() {
    // A clean session: what the broker held for an earlier connection is not ours to rely on;
    // every unacknowledged value is still in our queue and goes out again.
    mosq_ = mosquitto_new(clientId_.c_str(), true, this);
    if (mosq_ == nullptr) {
        SetError("cannot create an MQTT client");
        nextTry_ = std::chrono::steady_clock::now() + kMaxBackoff;
        return;
    }
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(mosq_, &MqttPublisher::OnPublish);
    lost_ = false;
    connecting_ = true;
    connectStarted_ = std::chrono::steady_clock::now();
    // Asynchronous: a broker that does not answer cannot hold the thread past a loop step.
    const int rc = mosquitto_connect_async(mosq_, target_.host.c_str(), target_.port, kKeepaliveS);
    if (rc != MOSQ_ERR_SUCCESS) {
        SetError(BrokerErrorText(rc, errno, target_));
        lost_ = true;
        Drop();
    }
}

void MqttPublisher::Drop() {
    ++failures_;
    if (mosq_ != nullptr) mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    connected_ = false;
    connecting_ = false;
    lost_ = false;
    {
        std::lock_guard lock(mutex_);
        for (Message& m : queue_)
            m.mid = -1;
    }
    nextTry_ = std::chrono::steady_clock::now() + backoff_;
    backoff_ = std::min(backoff_ * 2, kMaxBackoff);
}

void MqttPublisher::SendWaiting() {
    // Copies are sent, so that the lock is never held inside the library (its callbacks take it).
    std::vector<Message> batch;
    {
        std::lock_guard lock(mutex_);
        std::size_t inFlight = 0;
        for (const Message& m : queue_) {
            if (m.mid >= 0) {
                ++inFlight;
            } else if (inFlight + batch.size() < kInFlight) {
                batch.push_back(m);
            } else {
                break;
            }
        }
    }
    for (const Message& m : batch) {
        int mid = -1;
        const int rc =
            mosquitto_publish(mosq_, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                              m.payload.data(), 1, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            SetError(BrokerErrorText(rc, errno, target_));
            lost_ = true;
            return;
        }
        std::lock_guard lock(mutex_);
        // The message may have been dropped for a newer one meanwhile.
        const auto it = std::find_if(queue_.begin(), queue_.end(),
                                     [&](const Message& q) { return q.id == m.id; });
        if (it != queue_.end()) it->mid = mid;
    }
}

void MqttPublisher::OnConnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    p->connecting_ = false;
    if (rc != 0) {
        p->SetError(BrokerRefusalText(rc, p->target_));
        p->lost_ = true;
        return;
    }
    p->connected_ = true;
    p->backoff_ = std::chrono::milliseconds(200);
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    if (p->stop_) return;
    // The reason is the library's: a peer that is no broker gives a protocol error here.
    p->SetError(rc == MOSQ_ERR_SUCCESS || rc == MOSQ_ERR_CONN_LOST
                    ? "the broker at " + HostPort(p->target_) + " closed the connection"
                    : BrokerErrorText(rc, errno, p->target_));
    p->lost_ = true;
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid) {
    auto* p = static_cast<MqttPublisher*>(self);
    {
        std::lock_guard lock(p->mutex_);
        const auto it = std::find_if(p->queue_.begin(), p->queue_.end(),
                                     [&](const Message& q) { return q.mid == mid; });
        if (it == p->queue_.end()) return;
        p->queue_.erase(it);
    }
    ++p->acknowledged_;
    p->changed_.notify_all();
}

}  // namespace qx::ctl
