#pragma once

// Collects debug messages from every thread while it lives, so a test can ask what a refusal
// said; other messages, and debug messages of other categories, go on to Qt Test.
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <cstring>

class MessageLog
{
public:
    // `category`: only that logging category's debug messages are kept; none keeps all.
    explicit MessageLog(const char* category = nullptr) : m_category(category)
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&MessageLog::handle);
    }
    ~MessageLog()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    QStringList messages() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_messages;
    }
    void clear()
    {
        const QMutexLocker lock(&m_mutex);
        m_messages.clear();
    }
    bool isEmpty() const { return messages().isEmpty(); }

    // How many messages match the regular expression `pattern`.
    qsizetype count(const QString& pattern) const
    {
        const QRegularExpression re(pattern);
        const QStringList all = messages();
        return std::count_if(all.cbegin(), all.cend(),
                             [&](const QString& m) { return re.match(m).hasMatch(); });
    }
    // Whether a message matches `pattern` and names `path` after it.
    bool has(const QString& pattern, const QString& path) const
    {
        return count(pattern + QStringLiteral(".*") + QRegularExpression::escape(path)) > 0;
    }
    // Whether a message starts with the plain `text` and names `path` after it.
    bool startsWith(const QString& text, const QString& path) const
    {
        return has(QStringLiteral("^") + QRegularExpression::escape(text), path);
    }
    // The messages for a failure report, cut short.
    QByteArray all() const { return messages().join(u'\n').left(2000).toLocal8Bit(); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        MessageLog* log = s_current;
        const bool kept = type == QtDebugMsg &&
                          (!log->m_category ||
                           (context.category && std::strcmp(context.category, log->m_category) == 0));
        if (!kept) {
            log->m_previous(type, context, message);
            return;
        }
        const QMutexLocker lock(&log->m_mutex);
        log->m_messages.append(message);
    }

    inline static MessageLog* s_current = nullptr;
    const char* m_category;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_messages;
};
