#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <memory>

// A small HTTP/1.1 server for tests, on 127.0.0.1 at a port the system chooses. It runs in
// threads of its own, so a test can wait for its client in a Qt event loop meanwhile.
//
// Each path is given a canned reply with setReply() or setBody(); any other path answers
// 404. Every request is recorded: how many reached each path, and every request target
// exactly as the client sent it (with the raw, still percent-encoded query). Each
// connection carries one request and is closed after its answer.
//
// The server answers GET (and HEAD, without a body).
class TestServer
{
public:
    // Every member has a default, so that `Reply{.status = 404}` names only what differs.
    struct Reply
    {
        int status = 200;
        QByteArray body = {};
        QByteArray contentType = "text/plain";
        // When set: one more header, "Name: value" (a Location for a redirect, or a
        // Content-Encoding the body does not have).
        QByteArray header = {};
        // Waits this long before answering; stopping the server releases the wait at once
        // and closes the connection unanswered.
        int delayMs = 0;
        // Announces the full Content-Length, sends about half of the body, then closes the
        // connection.
        bool cutOff = false;
        // Waits this long before each chunk of the body after the first, for a slow
        // transfer (released like delayMs). A long pause is a server that stalls mid-body.
        int chunkDelayMs = 0;
        qint64 chunkSize = 64 * 1024;
        // When >= 0: streams this many bytes of generatedBytes() instead of `body`, in
        // chunks, without ever holding them all (for big downloads).
        qint64 generatedSize = -1;
    };

    // Starts listening at once; connections made from now on are served.
    TestServer();
    // Stops: releases delayed answers, closes open connections and joins every thread.
    ~TestServer();

    quint16 port() const;

    // http://127.0.0.1:<port><path>; `path` starts with "/" and may carry a query.
    QUrl url(const QString &path) const { return QUrl(urlText(path)); }
    QString urlText(const QString &path) const;

    // Thread-safe. `path` is the decoded path, without the query.
    void setReply(const QString &path, const Reply &reply);
    // A 200 answer with that body.
    void setBody(const QString &path, const QByteArray &body) { setReply(path, {.body = body}); }

    // How many requests reached `path` (decoded, without the query), answered or not.
    int hits(const QString &path) const;
    // Every request's target as sent (path and raw query), in the order they arrived.
    QList<QByteArray> requestTargets() const;

    // A loopback URL where nothing listens.
    static QUrl refusedUrl(const QString &path);

    // The bytes a Reply with generatedSize sends: byte i is i % 251, a pattern that does
    // not line up with any chunk or buffer size.
    static QByteArray generatedBytes(qint64 offset, qint64 size);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
