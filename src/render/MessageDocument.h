#pragma once

#include "Message.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QTextDocument>

class QFontMetricsF;
class QTextCursor;

namespace Render
{

/// A message laid out as a mail client prints it: a header block (From, Sent, To, Cc,
/// Subject, Attachments), a rule, then the body; attached messages follow, each with its
/// own header block. Images come only from the message's own parts: nothing is fetched.
class MessageDocument : public QTextDocument
{
    Q_OBJECT

public:
    explicit MessageDocument(QObject* parent = nullptr);

    /// Replaces the content with `message`.
    void setMessage(const Message& message);

    /// The subject of the message shown, for the print job's title.
    QString title() const { return m_title; }

    /// Shrinks images and tables wider than `width` (document units) to fit it, and images
    /// taller than `pageHeight` (when given) to the page.
    void fitToWidth(qreal width, qreal pageHeight = 0);

    /// One line that names the message on continuation pages: subject, sender and date.
    QString runningHeader() const { return joinRunning(m_runningSubject, m_runningRest); }
    /// The same line fitted to `width`: the subject gives way first, at a word boundary; the
    /// date is never cut.
    QString runningHeader(const QFontMetricsF& metrics, qreal width) const;

    /// The labelled header lines of a message, in print order, without empty ones.
    static QList<QPair<QString, QString>> headerFields(const Message& message);

    /// The same content as one HTML text (header table, rule, body), for other renderers.
    static QString composeHtml(const Message& message);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void appendMessage(QTextCursor& cursor, const Message& message, int depth);
    void addResources(const Message& message);
    void markMissingImages();

    QHash<QString, QByteArray> m_parts; // by "cid:<id>" or Content-Location, lower case
    QString m_title;
    static QString joinRunning(const QString& subject, const QString& rest);

    QString m_runningSubject;
    QString m_runningRest; // sender and date
};

} // namespace Render
