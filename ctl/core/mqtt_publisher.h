#pragma once
// Publishes live values to an MQTT broker with QoS 1 through libmosquitto. The values wait in a
// bounded queue of their own until the broker has acknowledged them, so a broker restart or a
// network outage loses none of them while the queue holds out: the publisher reconnects by
// itself and sends what waited, in order. When the queue is full, the oldest value waiting is
// dropped for the new one and counted.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct mosquitto;

namespace qx::ctl {

// mqtt://HOST[:PORT]/TOPIC
struct MqttTarget {
    std::string host;
    int port = 1883;
    std::string topic;
};

// Nothing for a URL that is not of that form (a topic with "+" or "#" cannot be published to);
// `problem` then says what is wrong with it and shows the form ("the topic is missing (the form
// is mqtt://HOST[:PORT]/TOPIC)").
std::optional<MqttTarget> ParseMqttUrl(const std::string& url, std::string* problem = nullptr);

// libmosquitto's result `rc` (with the errno it left, for MOSQ_ERR_ERRNO) in words that tell the
// user what to look at: "cannot resolve host NAME", "connection refused by HOST:PORT (is the
// broker running?)".
std::string BrokerErrorText(int rc, int error, const MqttTarget& target);
// The same for the broker's refusal in its CONNACK.
std::string BrokerRefusalText(int connack, const MqttTarget& target);

class MqttPublisher {
  public:
    MqttPublisher(MqttTarget target, std::size_t capacity);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void Start();
    // Queues one payload for the topic, or for TOPIC/SUBTOPIC; never blocks.
    void Publish(std::string payload, const std::string& subtopic = {});
    // Waits until every queued payload is acknowledged, at most `limit`; the count still waiting.
    std::size_t Flush(std::chrono::milliseconds limit);
    // Disconnects and ends the thread; what still waits is given up.
    void Stop();

    std::uint64_t Dropped() const { return dropped_.load(); }
    std::uint64_t Acknowledged() const { return acknowledged_.load(); }
    std::size_t Waiting() const;
    bool Connected() const { return connected_.load(); }
    // Connections that failed or were lost so far.
    std::uint64_t Failures() const { return failures_.load(); }
    const MqttTarget& Target() const { return target_; }
    // The reason of the last failed connection, for the user.
    std::string LastError() const;

  private:
    struct Message {
        std::uint64_t id = 0;
        std::string topic;
        std::string payload;
        int mid = -1;  // libmosquitto's message id while it is on its way; -1 while it waits
    };

    void Run();
    void Connect();
    void SendWaiting();
    void Drop();  // after a lost or failed connection: a new client, every message waits again
    void SetError(std::string text);

    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);

    MqttTarget target_;
    std::size_t capacity_;
    std::string clientId_;
    mosquitto* mosq_ = nullptr;  // used by the publisher's thread only
    bool connecting_ = false;
    bool lost_ = false;  // set by the callbacks, acted on after the loop step
    std::chrono::steady_clock::time_point connectStarted_{};
    std::chrono::steady_clock::time_point nextTry_{};
    std::chrono::milliseconds backoff_{200};

    mutable std::mutex mutex_;  // guards queue_, nextId_, error_
    std::condition_variable changed_;
    std::deque<Message> queue_;
    std::uint64_t nextId_ = 1;
    std::string error_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::uint64_t> acknowledged_{0};
    std::atomic<std::uint64_t> failures_{0};
    std::thread thread_;
};

}  // namespace qx::ctl
