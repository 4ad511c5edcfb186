#include "support/http/HttpSocket.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {
// Waits are cut into slices so that an abort is noticed even where closing or shutting down a
// socket does not wake a thread blocked on it.
constexpr int kSliceMs = 50;
constexpr uintptr_t kNoSocket = ~uintptr_t(0);

#ifdef _WIN32
using TNativeSocket = SOCKET;

struct TWinsockSession {
  TWinsockSession() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~TWinsockSession() { WSACleanup(); }
};

int LastError() { return WSAGetLastError(); }
bool ConnectPending(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }
bool Interrupted(int) { return false; }
bool WouldBlock(int error) { return error == WSAEWOULDBLOCK; }
void CloseNative(TNativeSocket s) { closesocket(s); }
void ShutdownNative(TNativeSocket s) { shutdown(s, SD_BOTH); }
void MakeNonBlocking(TNativeSocket s) {
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
}
constexpr int kSendFlags = 0;
std::string ErrorText(int error) {
  switch (error) {
    case WSAECONNREFUSED:
      return "connection refused";
    case WSAECONNRESET:
      return "connection reset by peer";
    case WSAENETUNREACH:
      return "network unreachable";
    case WSAEHOSTUNREACH:
      return "host unreachable";
    default:
      return "socket error " + std::to_string(error);
  }
}
// Winsock has no poll on XP; select serves one socket well enough.
int WaitNative(TNativeSocket s, bool forWrite, int ms) {
  fd_set set, errors;
  FD_ZERO(&set);
  FD_SET(s, &set);
  FD_ZERO(&errors);
  FD_SET(s, &errors);
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  int n = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &errors, &tv);
  return n;
}
#else
using TNativeSocket = int;

struct TWinsockSession {
  TWinsockSession() {}
};

int LastError() { return errno; }
bool ConnectPending(int error) { return error == EINPROGRESS; }
bool Interrupted(int error) { return error == EINTR; }
bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }
void CloseNative(TNativeSocket s) { close(s); }
void ShutdownNative(TNativeSocket s) { shutdown(s, SHUT_RDWR); }
void MakeNonBlocking(TNativeSocket s) { fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK); }
constexpr int kSendFlags = MSG_NOSIGNAL;
std::string ErrorText(int error) {
  switch (error) {
    case ECONNREFUSED:
      return "connection refused";
    case ECONNRESET:
      return "connection reset by peer";
    default:
      return std::strerror(error);
  }
}
int WaitNative(TNativeSocket s, bool forWrite, int ms) {
  pollfd p{s, short(forWrite ? POLLOUT : POLLIN), 0};
  int n = poll(&p, 1, ms);
  return n < 0 && errno == EINTR ? 0 : n;
}
#endif

TNativeSocket Native(uintptr_t s) { return static_cast<TNativeSocket>(s); }

void EnsureSockets() {
  static TWinsockSession session;
  (void)session;
}

struct TAddressList {
  addrinfo* FList = nullptr;
  ~TAddressList() {
    if (FList) freeaddrinfo(FList);
  }
};

TClock::time_point EndAfter(int timeoutMs) {
  return timeoutMs > 0 ? TClock::now() + std::chrono::milliseconds(timeoutMs) : TClock::time_point::max();
}

// One slice of a wait that ends at end, at least 1 ms while any time is left.
int SliceUntil(TClock::time_point end) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(end - TClock::now()).count();
  return int(std::max<decltype(left)>(0, std::min<decltype(left)>(kSliceMs, left)));
}

// The socket addresses of a numeric host; none for a name.
void NumericAddresses(const std::string& host, int port, TAddressList& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICHOST;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses.FList) != 0) addresses.FList = nullptr;
}

// What a lookup's helper thread and its waiter share; the helper may finish after the waiter left.
struct TLookupJob {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  std::vector<std::string> Addresses;
};
}  // namespace

std::vector<std::string> SystemNameLookup(const std::string& host) {
  EnsureSockets();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  TAddressList list;
  std::vector<std::string> addresses;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &list.FList) != 0) return addresses;
  for (addrinfo* a = list.FList; a; a = a->ai_next) {
    char text[NI_MAXHOST];
    if (getnameinfo(a->ai_addr, socklen_t(a->ai_addrlen), text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0)
      addresses.push_back(text);
  }
  return addresses;
}

TSocketConnection::TSocketConnection() : FSocket(kNoSocket) { EnsureSockets(); }

TSocketConnection::~TSocketConnection() { Close(); }

void TSocketConnection::SetDeadline(TClock::time_point deadline) { FDeadline = deadline; }

void TSocketConnection::ThrowIfAbortedOrLate() const {
  if (FAborted) throw EHttpError("connection closed by disconnect");
  if (TClock::now() >= FDeadline) throw EHttpError("request timed out");
}

void TSocketConnection::Abort() {
  FAborted = true;
  std::lock_guard<std::mutex> hold(FLock);
  if (FSocket != kNoSocket) ShutdownNative(Native(FSocket));
}

void TSocketConnection::Close() {
  std::lock_guard<std::mutex> hold(FLock);
  if (FSocket != kNoSocket) CloseNative(Native(FSocket));
  FSocket = kNoSocket;
}

bool TSocketConnection::WaitFor(TWait what, int timeoutMs) { return WaitUntil(what, EndAfter(timeoutMs)); }

bool TSocketConnection::WaitUntil(TWait what, TClock::time_point end) {
  for (;;) {
    ThrowIfAbortedOrLate();
    if (TClock::now() >= end) return false;
    int ready = WaitNative(Native(FSocket), what == TWait::Write, SliceUntil(std::min(end, FDeadline)));
    if (ready < 0) throw EHttpError("socket wait failed: " + ErrorText(LastError()));
    if (ready > 0) {
      ThrowIfAbortedOrLate();
      return true;
    }
  }
}

std::vector<std::string> TSocketConnection::LookUp(const std::string& host, const TNameLookup& lookup,
                                                   TClock::time_point end) {
  auto job = std::make_shared<TLookupJob>();
  std::thread([job, host, lookup] {
    std::vector<std::string> addresses;
    try {
      addresses = lookup(host);
    } catch (...) {
      // A lookup that fails finds nothing; no exception may leave the thread.
    }
    std::lock_guard<std::mutex> hold(job->Lock);
    job->Addresses = std::move(addresses);
    job->Finished = true;
    job->Done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> hold(job->Lock);
  while (!job->Finished) {
    ThrowIfAbortedOrLate();
    if (TClock::now() >= end) throw EHttpError("name lookup timed out: " + host);
    job->Done.wait_for(hold, std::chrono::milliseconds(SliceUntil(std::min(end, FDeadline))));
  }
  if (job->Addresses.empty()) throw EHttpError("host not found: " + host);
  return job->Addresses;
}

void TSocketConnection::Open(const std::string& host, int port, int timeoutMs, const TNameLookup& lookup) {
  Close();
  ThrowIfAbortedOrLate();
  // Several addresses, and the lookup before them, share the one time-out.
  const auto end = EndAfter(timeoutMs);
  TAddressList numeric;
  NumericAddresses(host, port, numeric);
  const std::vector<std::string> addresses = numeric.FList ? std::vector<std::string>{host} : LookUp(host, lookup, end);
  std::string lastError = "no address";
  for (const std::string& address : addresses) {
    TAddressList list;
    NumericAddresses(address, port, list);
    if (!list.FList) lastError = "not a numeric address: " + address;
    for (addrinfo* a = list.FList; a; a = a->ai_next) {
      TNativeSocket s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
      if (s == Native(kNoSocket)) {
        lastError = ErrorText(LastError());
        continue;
      }
      {
        std::lock_guard<std::mutex> hold(FLock);
        FSocket = uintptr_t(s);
      }
      MakeNonBlocking(s);
      int one = 1;
      setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
      if (connect(s, a->ai_addr, int(a->ai_addrlen)) == 0) return;
      int error = LastError();
      if (ConnectPending(error)) {
        if (!WaitUntil(TWait::Write, end)) {
          Close();
          throw EHttpError("connect timed out");
        }
        int soError = 0;
        socklen_t length = sizeof soError;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length);
        if (soError == 0) return;
        error = soError;
      }
      lastError = ErrorText(error);
      Close();
    }
  }
  throw EHttpError("could not connect to " + host + ":" + std::to_string(port) + " (" + lastError + ")");
}

void TSocketConnection::SendAll(const char* data, size_t size, int timeoutMs) {
  while (size > 0) {
    if (!WaitFor(TWait::Write, timeoutMs)) throw EHttpError("write timed out");
    int chunk = size > 0x100000 ? 0x100000 : int(size);
    auto sent = send(Native(FSocket), data, chunk, kSendFlags);
    if (sent < 0) {
      int error = LastError();
      if (WouldBlock(error) || Interrupted(error)) continue;
      ThrowIfAbortedOrLate();
      throw EHttpError("send failed: " + ErrorText(error));
    }
    data += sent;
    size -= size_t(sent);
  }
}

size_t TSocketConnection::Receive(char* buffer, size_t size, int timeoutMs) {
  int chunk = size > 0x100000 ? 0x100000 : int(size);
  for (;;) {
    if (!WaitFor(TWait::Read, timeoutMs)) throw EHttpError("read timed out");
    auto got = recv(Native(FSocket), buffer, chunk, 0);
    if (got >= 0) {
      ThrowIfAbortedOrLate();
      return size_t(got);
    }
    int error = LastError();
    if (WouldBlock(error) || Interrupted(error)) continue;
    ThrowIfAbortedOrLate();
    throw EHttpError("receive failed: " + ErrorText(error));
  }
}
