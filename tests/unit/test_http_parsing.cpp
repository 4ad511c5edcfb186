#include <gtest/gtest.h>

#include "support/http/HttpResponse.h"
#include "support/http/Multipart.h"
#include "support/http/Uri.h"

namespace {
// Hands out a fixed text in pieces of at most FPiece bytes, as a socket might.
class TTextSource : public IByteSource {
 public:
  TTextSource(std::string text, size_t piece) : FText(std::move(text)), FPiece(piece) {}
  size_t Receive(char* buffer, size_t size) override {
    size_t take = std::min({size, FPiece, FText.size() - FPos});
    FText.copy(buffer, take, FPos);
    FPos += take;
    return take;
  }

 private:
  std::string FText;
  size_t FPiece;
  size_t FPos = 0;
};

// The body of a GET response, read the way the client reads it.
std::string BodyOf(const std::string& response, size_t piece = 7) {
  TTextSource source(response, piece);
  THttpReader reader(source);
  THttpResponseHead head = reader.ReadHead();
  std::string body;
  reader.ReadBody(BodyLayoutOf(head, "GET"), [&](const char* data, size_t size) { body.append(data, size); });
  return body;
}

std::string ErrorOf(const std::string& response) {
  try {
    BodyOf(response);
  } catch (const EHttpError& e) {
    return e.what();
  }
  return "no error";
}
}  // namespace

TEST(Uri, SplitsEveryPart) {
  TUri uri = TUri::Parse("HTTP://user:pa:ss@Host.example:8080/a/b/doc.wav?x=1&y=?#frag?");
  EXPECT_EQ("http", uri.Protocol);
  EXPECT_EQ("user", uri.Username);
  EXPECT_EQ("pa:ss", uri.Password);
  EXPECT_EQ("Host.example", uri.Host);
  EXPECT_EQ("8080", uri.Port);
  EXPECT_EQ("/a/b/", uri.Path);
  EXPECT_EQ("doc.wav", uri.Document);
  EXPECT_EQ("x=1&y=?", uri.Params);
  EXPECT_EQ("frag?", uri.Fragment);
  EXPECT_EQ(8080, uri.EffectivePort());

  TUri bare = TUri::Parse("http://h");
  EXPECT_EQ("/", bare.Path);
  EXPECT_EQ("", bare.Document);
  EXPECT_EQ(80, bare.EffectivePort());
  TUri v6 = TUri::Parse("http://[::1]:81/x");
  EXPECT_EQ("::1", v6.Host);
  EXPECT_EQ("[::1]", v6.HostText());
  EXPECT_EQ("81", v6.Port);
}

TEST(Uri, RebuildsWithOrWithoutCredentialsFragmentAndDefaultPort) {
  TUri uri = TUri::Parse("http://u:p@host:80/p/d?q=1#f");
  uri.Host = "10.0.0.7";
  EXPECT_EQ("http://10.0.0.7/p/d?q=1", uri.Compose(false));
  EXPECT_EQ("http://u:p@10.0.0.7/p/d?q=1#f", uri.Compose(true));
  EXPECT_EQ("http://h:8080/", TUri::Parse("http://h:8080").Compose(false));
  EXPECT_EQ("https://h/x", TUri::Parse("https://h:443/x").Compose(false));
  EXPECT_EQ("ftp://h:80/x", TUri::Parse("ftp://h:80/x").Compose(false));
  EXPECT_EQ("/p/d?q=1", uri.PathAndQuery());
}

TEST(Uri, RefusesMalformedText) {
  for (const char* text : {"",
                           "host/path",
                           "://host",
                           "http://",
                           "http://:80/",
                           "http://h:port/",
                           "http://h:65536/",
                           "http://h:123456/",
                           "http://[::1/",
                           "http://[::1]x/",
                           "1http://h/",
                           "ht@p://h/",
                           "http://h:80:80/",
                           "http://h:80:/",
                           "http://[h]/",
                           "http://[]/",
                           "http://a]b/",
                           "http://a b/",
                           "http://u\x01@h/",
                           "http:g",
                           "mailto:x@y",
                           "javascript:alert(1)"})
    EXPECT_THROW(TUri::Parse(text), EUriError) << text;
}

TEST(Uri, EncodesWhatMayNotAppearRawAndKeepsValidUrlsByteForByte) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://h/prompts/a b.mp3?x=1 2#f g", "http://h/prompts/a%20b.mp3?x=1%202#f%20g"},
      {"http://h/\x01\x7f\xe4\"<>`{}?\"<>`{}\xe4#\"<>`{}",
       "http://h/%01%7F%E4%22%3C%3E%60%7B%7D?%22%3C%3E`{}%E4#%22%3C%3E%60{}"},
      {" \t http://h/a\tb\r\nc?d\ne \r\n", "http://h/abc?de"},
      {"http://h/a%20b;p=1/~x-._!$&'()*+,;=:@%zz/?q=/?:@!$&'()*+,;=%7e&%#f/?:@!$&'()*+,;=",
       "http://h/a%20b;p=1/~x-._!$&'()*+,;=:@%zz/?q=/?:@!$&'()*+,;=%7e&%#f/?:@!$&'()*+,;="},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(expected, TUri::Parse(text).Compose(true)) << text;
}

TEST(Uri, ResolvesEveryExampleOfRfc3986) {
  const TUri base = TUri::Parse("http://a/b/c/d;p?q");
  // Section 5.4.1, then the abnormal examples of 5.4.2 (strict parser).
  const std::pair<const char*, const char*> examples[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"g#s", "http://a/b/c/g#s"},
      {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"},
      {"g;x", "http://a/b/c/g;x"},
      {"g;x?y#s", "http://a/b/c/g;x?y#s"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../", "http://a/"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"../../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g?y/../x", "http://a/b/c/g?y/../x"},
      {"g#s/./x", "http://a/b/c/g#s/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
      {"http:g", "http:g"},
  };
  for (const auto& [reference, target] : examples) EXPECT_EQ(target, base.Resolve(reference)) << reference;
}

TEST(Uri, ResolvesRedirectTargetsWithTheBasesAuthorityAndAnyScheme) {
  const TUri base = TUri::Parse("http://u:p@a.example:81/dir/sub/page?x=1#f");
  const std::pair<const char*, const char*> cases[] = {
      {"HTTP://b.example/new", "HTTP://b.example/new"},
      {"//c.example:9/z", "http://c.example:9/z"},
      {"/root?y=2", "http://u:p@a.example:81/root?y=2"},
      {"../up", "http://u:p@a.example:81/dir/up"},
      {"#s", "http://u:p@a.example:81/dir/sub/page?x=1#s"},
      {" other file\r\n", "http://u:p@a.example:81/dir/sub/other file"},
      {"javascript:alert(1)", "javascript:alert(1)"},
      {"mailto:x@y", "mailto:x@y"},
      {"data:,x", "data:,x"},
      {"1a:b", "http://u:p@a.example:81/dir/sub/1a:b"},
  };
  for (const auto& [reference, target] : cases) EXPECT_EQ(target, base.Resolve(reference)) << reference;
  const std::pair<const char*, const char*> schemes[] = {{"HTTP://x", "http"},
                                                         {"\tJavaScript:alert(1)", "javascript"},
                                                         {"g:h", "g"},
                                                         {"a+b-c.d:x", "a+b-c.d"},
                                                         {"1a:b", ""},
                                                         {"./g:h", ""},
                                                         {"/a:b", ""},
                                                         {"?a:b", ""},
                                                         {"", ""}};
  for (const auto& [reference, scheme] : schemes) EXPECT_EQ(scheme, TUri::SchemeOf(reference)) << reference;
}

TEST(HttpResponse, BodiesByLengthByCloseAndByChunks) {
  EXPECT_EQ("hello", BodyOf("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello and more"));
  EXPECT_EQ("until the end", BodyOf("HTTP/1.0 200 OK\nX: y\n\nuntil the end"));
  EXPECT_EQ("hello world!", BodyOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\nContent-Length: 3\r\n\r\n"
                                   "5;ext=1\r\nhello\r\n7 \r\n world!\r\n0\r\nTrailer: x\r\n\r\n",
                                   3));
  EXPECT_EQ("", BodyOf("HTTP/1.0 204 No Content\r\n\r\nignored"));
  EXPECT_EQ("", BodyOf("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"));

  TTextSource source("HTTP/1.0 404 Not Found\r\nLocation:  /x \r\nX-Long: a\r\n  b\r\n\r\n", 1);
  THttpReader reader(source);
  THttpResponseHead head = reader.ReadHead();
  EXPECT_EQ("HTTP/1.0 404 Not Found", head.StatusLine);
  EXPECT_EQ(404, head.StatusCode);
  EXPECT_EQ("/x", head.Header("location"));
  EXPECT_EQ("a b", head.Header("X-LONG"));
  EXPECT_EQ("", head.Header("Missing"));
}

TEST(HttpResponse, MalformedResponsesRaiseClearErrors) {
  EXPECT_EQ("malformed status line: \"HTP/1.0 200 OK\"", ErrorOf("HTP/1.0 200 OK\r\n\r\n"));
  EXPECT_NE("no error", ErrorOf("HTTP/1.0 2000 OK\r\n\r\n"));
  EXPECT_NE("no error", ErrorOf("HTTP/1.0 20 OK\r\n\r\n"));
  EXPECT_EQ("connection closed inside the status line", ErrorOf(""));
  EXPECT_EQ("connection closed inside the response header section", ErrorOf("HTTP/1.0 200 OK\r\nA: b\r\n"));
  EXPECT_EQ("malformed header line: \"No colon\"", ErrorOf("HTTP/1.0 200 OK\r\nNo colon\r\n\r\n"));
  EXPECT_NE("no error", ErrorOf("HTTP/1.0 200 OK\r\n folded first\r\n\r\n"));
  EXPECT_EQ("invalid Content-Length: \"-5\"", ErrorOf("HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nx"));
  EXPECT_EQ("Content-Length too large: 99999999999999999999999",
            ErrorOf("HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nx"));
  EXPECT_EQ("conflicting Content-Length headers",
            ErrorOf("HTTP/1.0 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nxx"));
  EXPECT_EQ("connection closed after 3 of 10 bytes of the body",
            ErrorOf("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc"));
  EXPECT_EQ("invalid chunk size: \"zz\"",
            ErrorOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nbody\r\n0\r\n\r\n"));
  EXPECT_NE("no error", ErrorOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nfffffffffffffffff\r\n"));
  EXPECT_EQ("connection closed inside a chunk",
            ErrorOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nff\r\nshort"));
  EXPECT_EQ("chunk not followed by its line end",
            ErrorOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n"));
  EXPECT_EQ("unsupported Transfer-Encoding: gzip, chunked",
            ErrorOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n"));
}

TEST(HttpResponse, OversizedHeadersAreRefusedBeforeTheyGrowUnbounded) {
  EXPECT_EQ("status line too long", ErrorOf("HTTP/1.0 200 " + std::string(20000, 'x') + "\r\n\r\n"));
  std::string endless = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < 5000; ++i) endless += "X-Filler: " + std::string(30, 'f') + "\r\n";
  EXPECT_EQ("response header section too large", ErrorOf(endless));
}

TEST(Multipart, PartsCarryNamesTypesAndAsciiTextWithoutTransferEncoding) {
  TMultipartFormData form;
  form.AddText("word", L"caf\u00e9 \u4f60", "text/plain");
  form.AddBytes("voice", "voice.wav", "application/octet-stream", {0, 0xFF, '\r', '\n', '-', '-'});
  std::string body = form.Body();
  std::string type = form.ContentType();
  ASSERT_EQ(0u, type.find("multipart/form-data; boundary="));
  std::string boundary = type.substr(type.find('=') + 1);
  EXPECT_EQ("--" + boundary +
                "\r\nContent-Disposition: form-data; name=\"word\"\r\nContent-Type: text/plain\r\n\r\ncaf? ?\r\n"
                "--" +
                boundary +
                "\r\nContent-Disposition: form-data; name=\"voice\"; filename=\"voice.wav\"\r\n"
                "Content-Type: application/octet-stream\r\n\r\n" +
                std::string("\0\xFF\r\n--", 6) + "\r\n--" + boundary + "--\r\n",
            body);
  EXPECT_EQ(std::string::npos, body.find("Content-Transfer-Encoding"));
}
