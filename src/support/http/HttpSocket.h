#pragma once
// A TCP connection whose every wait has a time-out and can be cut short from another thread.
// The only place where Winsock and POSIX sockets differ.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>

// Every failure of the HTTP library: connection, time-out, protocol, error status.
class EHttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSocketConnection {
 public:
  TSocketConnection();
  ~TSocketConnection();
  TSocketConnection(const TSocketConnection&) = delete;
  TSocketConnection& operator=(const TSocketConnection&) = delete;

  // Time-outs are in milliseconds; 0 or less waits without limit. Every wait also ends, with an
  // error, soon after Abort.
  void Open(const std::string& host, int port, int timeoutMs);
  void SendAll(const char* data, size_t size, int timeoutMs);
  // Bytes received, 0 when the peer closed the connection.
  size_t Receive(char* buffer, size_t size, int timeoutMs);
  void Close();

  // Callable from any thread: makes the pending and every later wait of this connection fail.
  void Abort();

 private:
  enum class TWait { Read, Write };
  // Waits until the socket is ready; false when the time-out passed.
  bool WaitFor(TWait what, int timeoutMs);
  void ThrowIfAborted() const;

  uintptr_t FSocket;
  std::atomic<bool> FAborted{false};
  std::mutex FLock;  // guards FSocket against Abort while it is opened or closed
};
