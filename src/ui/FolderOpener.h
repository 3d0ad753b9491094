#pragma once
// Opens a folder, or shows a file selected in its folder, in the desktop's file manager: through
// the file manager's D-Bus interface (org.freedesktop.FileManager1) first; where none answers,
// through the desktop's default folder handler, unless that handler is this program itself (it
// would only open another copy of its own window); otherwise one message says that nothing can
// open the folder. Nothing here waits: the window keeps answering meanwhile.

#include <QObject>
#include <QString>

namespace vellora {

class Prompter;

class FolderOpener : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderOpener)

public:
    // prompter must outlive this object.
    explicit FolderOpener(Prompter& prompter, QObject* parent = nullptr);

    void showFolder(const QString& folder);
    // The file's folder, with the file selected where the file manager can do it.
    void showItem(const QString& file);

    [[nodiscard]] static QString noHandlerText(const QString& folder);

Q_SIGNALS:
    // How the folder went out, for the log and the tests: "bus", "handler" or "none".
    void handled(const QString& folder, const QString& how);

private:
    void askBus(const QString& method, const QString& target, const QString& folder);
    void askDefaultHandler(const QString& folder);
    void useHandler(const QString& folder, const QString& desktopId);

    Prompter& m_prompter;
};

} // namespace vellora
