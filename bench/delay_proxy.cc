// A TCP proxy on 127.0.0.1 that holds every chunk it forwards for a fixed time
// in each direction, so a local server behaves like one across a LAN.
// Usage: delay_proxy LISTEN_PORT TARGET_PORT DELAY_MICROSECONDS
// Prints "ready" on standard output once it listens; runs until killed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
  Clock::time_point due;
  std::string bytes;  // empty: the sender closed
};

// One direction of one connection: a reader queues what arrives, a writer
// sends each chunk once it is due.
class Pipe {
 public:
  Pipe(int from, int to, std::chrono::microseconds delay)
      : from_(from), to_(to), delay_(delay) {}

  void Run() {
    std::thread writer([this] { Write(); });
    char buffer[1 << 16];
    for (;;) {
      ssize_t n = read(from_, buffer, sizeof buffer);
      Push(n > 0 ? std::string(buffer, n) : std::string());
      if (n <= 0) break;
    }
    writer.join();
    shutdown(to_, SHUT_WR);
  }

 private:
  void Push(std::string bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({Clock::now() + delay_, std::move(bytes)});
    ready_.notify_one();
  }

  void Write() {
    for (;;) {
      Chunk chunk;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty(); });
        chunk = std::move(queue_.front());
        queue_.pop_front();
      }
      if (chunk.bytes.empty()) return;
      std::this_thread::sleep_until(chunk.due);
      for (std::size_t done = 0; done < chunk.bytes.size();) {
        ssize_t n = write(to_, chunk.bytes.data() + done, chunk.bytes.size() - done);
        if (n <= 0) return;
        done += n;
      }
    }
  }

  int from_, to_;
  std::chrono::microseconds delay_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Chunk> queue_;
};

int Connect(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void NoDelay(int fd) {
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void Serve(int client, int target_port, std::chrono::microseconds delay) {
  int server = Connect(target_port);
  if (server < 0) {
    close(client);
    return;
  }
  NoDelay(client);
  NoDelay(server);
  Pipe up(client, server, delay);
  Pipe down(server, client, delay);
  std::thread other([&] { down.Run(); });
  up.Run();
  other.join();
  close(client);
  close(server);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s LISTEN_PORT TARGET_PORT DELAY_MICROSECONDS\n",
                 argv[0]);
    return 2;
  }
  int listen_port = std::atoi(argv[1]);
  int target_port = std::atoi(argv[2]);
  std::chrono::microseconds delay(std::atoi(argv[3]));
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(listen_port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0) {
    std::perror("delay_proxy");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    std::thread([=] { Serve(client, target_port, delay); }).detach();
  }
}
