#pragma once
// A TCP connection whose every wait has a time-out and can be cut short from another thread.
// The only place where Winsock and POSIX sockets differ.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

// Every failure of the HTTP library: connection, time-out, protocol, error status.
class EHttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The numeric addresses of a host name, empty when it has none. It may block for as long as a resolver
// does: a connection runs it on a helper thread of its own, which holds copies of the function and
// the name and may outlive the connection.
using TNameLookup = std::function<std::vector<std::string>(const std::string& host)>;
// The system's resolver.
std::vector<std::string> SystemNameLookup(const std::string& host);

using TClock = std::chrono::steady_clock;

class TSocketConnection {
 public:
  TSocketConnection();
  ~TSocketConnection();
  TSocketConnection(const TSocketConnection&) = delete;
  TSocketConnection& operator=(const TSocketConnection&) = delete;

  // Every later wait, name lookups included, ends with "request timed out" at the deadline.
  void SetDeadline(TClock::time_point deadline);

  // Time-outs are in milliseconds; 0 or less waits without limit. Every wait also ends, with an
  // error, soon after Abort. The time-out of Open covers the lookup of a name, which only a host that
  // is no numeric address needs, and the connection.
  void Open(const std::string& host, int port, int timeoutMs, const TNameLookup& lookup);
  void SendAll(const char* data, size_t size, int timeoutMs);
  // Bytes received, 0 when the peer closed the connection.
  size_t Receive(char* buffer, size_t size, int timeoutMs);
  void Close();

  // Callable from any thread: makes the pending and every later wait of this connection fail.
  void Abort();

 private:
  enum class TWait { Read, Write };
  // Waits until the socket is ready; false when the time-out or the end passed.
  bool WaitFor(TWait what, int timeoutMs);
  bool WaitUntil(TWait what, TClock::time_point end);
  // The addresses of a name, waited for until end.
  std::vector<std::string> LookUp(const std::string& host, const TNameLookup& lookup, TClock::time_point end);
  void ThrowIfAbortedOrLate() const;

  uintptr_t FSocket;
  std::atomic<bool> FAborted{false};
  TClock::time_point FDeadline = TClock::time_point::max();
  std::mutex FLock;  // guards FSocket against Abort while it is opened or closed
};
