// A tiny HTTP/1.1 server for tests, in the test's own thread: it answers GET requests for the
// paths it was given (404 otherwise) and counts what it saw. A response may declare a longer
// body than it sends, so that it never completes: the client has to give up on it, and the
// server notices when it does. Set as the application's HTTP proxy it also sees requests for
// any other host (their path is then the whole address).
//
// Thread affinity: the thread that created it, whose event loop must run (testing_qt::WaitUntil).
// Failure: Listen returns false when no local port can be had.
#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <map>

namespace testing_qt {

class HttpTestServer {
 public:
  struct Response {
    QByteArray status = "200 OK";
    QByteArray content_type = "text/html; charset=utf-8";
    QByteArray extra_headers;  // complete "Name: value\r\n" lines
    QByteArray body;
    qint64 declared_length = -1;  // more than body.size(): the rest never comes
  };

  HttpTestServer();
  ~HttpTestServer();

  bool Listen();
  // Stops listening and drops every open connection; the port then refuses connections.
  void Close();
  void Serve(const QByteArray& path, Response response);

  // "127.0.0.1:port"
  QByteArray HostAndPort() const;
  int Requests(const QByteArray& path) const;
  // Connections accepted, whether or not a request came over them.
  int Connections() const { return connections_; }
  // Connections the client closed before the whole declared body was sent.
  int Abandoned(const QByteArray& path) const;

 private:
  void Answer(QTcpSocket* socket, const QByteArray& path);

  QTcpServer server_;
  quint16 port_ = 0;
  std::map<QByteArray, Response> routes_;
  std::map<QByteArray, int> requests_;
  std::map<QByteArray, int> abandoned_;
  int connections_ = 0;
};

}  // namespace testing_qt
