#include "tests/ui/http_test_server.h"

#include <QTcpSocket>

namespace testing_qt {

HttpTestServer::HttpTestServer() {
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      ++connections_;
      auto* request = new QByteArray;
      QObject::connect(socket, &QObject::destroyed, [request] { delete request; });
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        *request += socket->readAll();
        qsizetype end = request->indexOf("\r\n\r\n");
        if (end < 0 || socket->property("answered").toBool())
          return;
        socket->setProperty("answered", true);
        QList<QByteArray> line = request->left(request->indexOf("\r\n")).split(' ');
        Answer(socket, line.size() >= 2 ? line[1] : QByteArray());
      });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

HttpTestServer::~HttpTestServer() {
  Close();
}

bool HttpTestServer::Listen() {
  if (!server_.listen(QHostAddress::LocalHost, 0))
    return false;
  port_ = server_.serverPort();
  return true;
}

void HttpTestServer::Close() {
  server_.close();
  for (QTcpSocket* s : server_.findChildren<QTcpSocket*>())
    s->abort();
}

void HttpTestServer::Serve(const QByteArray& path, Response response) {
  routes_[path] = std::move(response);
}

QByteArray HttpTestServer::HostAndPort() const {
  return "127.0.0.1:" + QByteArray::number(port_);
}

int HttpTestServer::Requests(const QByteArray& path) const {
  auto it = requests_.find(path);
  return it == requests_.end() ? 0 : it->second;
}

int HttpTestServer::Abandoned(const QByteArray& path) const {
  auto it = abandoned_.find(path);
  return it == abandoned_.end() ? 0 : it->second;
}

void HttpTestServer::Answer(QTcpSocket* socket, const QByteArray& path) {
  ++requests_[path];
  auto it = routes_.find(path);
  if (it == routes_.end()) {
    socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
    return;
  }
  const Response& r = it->second;
  qint64 length = r.declared_length > r.body.size() ? r.declared_length : r.body.size();
  socket->write("HTTP/1.1 " + r.status + "\r\nContent-Type: " + r.content_type +
                "\r\nContent-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n" +
                r.extra_headers + "\r\n" + r.body);
  if (length == r.body.size()) {
    socket->disconnectFromHost();
    return;
  }
  QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, path] { ++abandoned_[path]; });
}

}  // namespace testing_qt
