#include "Platform/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace lumivast {

namespace {

QClipboard* clipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

} // namespace

void QtPasteboard::clearContents()
{
    if (QClipboard* board = clipboard())
        board->clear();
}

bool QtPasteboard::setString(const QString& text)
{
    QClipboard* board = clipboard();
    if (!board)
        return false;
    board->setText(text);
    return true;
}

std::optional<QString> QtPasteboard::string()
{
    QClipboard* board = clipboard();
    if (!board)
        return std::nullopt;
    const QMimeData* data = board->mimeData();
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

} // namespace lumivast
