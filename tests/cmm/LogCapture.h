#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

// Collects the engine's "lib.cmm" lines while in scope.
class LogCapture {
public:
    LogCapture()
    {
        std::lock_guard<std::mutex> lock(mutex());
        lines().clear();
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }

    QStringList take()
    {
        std::lock_guard<std::mutex> lock(mutex());
        QStringList r = lines();
        lines().clear();
        return r;
    }
    bool contains(const QString& text)
    {
        for (const QString& l : take())
            if (l.contains(text))
                return true;
        return false;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
    {
        if (type != QtCriticalMsg || !ctx.category || QString(ctx.category) != "lib.cmm")
            return;
        std::lock_guard<std::mutex> lock(mutex());
        lines().append(msg);
    }
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static QStringList& lines()
    {
        static QStringList l;
        return l;
    }
    QtMessageHandler m_previous;
};
