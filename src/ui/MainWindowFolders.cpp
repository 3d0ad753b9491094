// Drive and folder of frmMAIN: the drive box lists the mounted volumes, the folder tree
// shows the selected volume from its mount point down. A folder also comes from outside:
// the command line and a drop.

#include "MainWindow.h"

#include "system/Platform.h"
#include "ui/AppLog.h"
#include "ui/DialogPrompter.h"
#include "ui/FolderReveal.h"
#include "ui/FolderTreeModel.h"
#include "ui/WindowArguments.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QStorageInfo>
#include <QTreeView>

#include <cerrno>
#include <dirent.h>

namespace vellora {

namespace {

QString withSlash(QString path)
{
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

// Zero when the folder can be listed, the cause otherwise.
int folderError(const QString& folder)
{
    const QByteArray bytes = QFile::encodeName(folder);
    DIR* dir = ::opendir(bytes.constData());
    if (!dir)
        return errno ? errno : EIO;
    ::closedir(dir);
    return 0;
}

// The local path a drop carries (the first of several), or an empty text.
QString droppedPath(const QMimeData* data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    return !urls.isEmpty() && urls.front().isLocalFile() ? urls.front().toLocalFile() : QString();
}

} // namespace

QString MainWindow::mountPointOf(const QString& folder)
{
    const QStorageInfo volume(folder);
    return volume.isValid() ? withSlash(volume.rootPath()) : QStringLiteral("/");
}

void MainWindow::fillDriveBox()
{
    m_cboDRIVE->clear();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = withSlash(volume.rootPath());
        QString text = root;
        const QString name = volume.displayName();
        if (!name.isEmpty() && withSlash(name) != root)
            text += QStringLiteral("  [") + name + u']';
        m_cboDRIVE->addItem(text, root);
    }
}

void MainWindow::selectDriveItem(const QString& mountPoint)
{
    int index = m_cboDRIVE->findData(mountPoint);
    if (index < 0) {
        // A volume mounted after start-up, or one the list leaves out.
        m_cboDRIVE->addItem(mountPoint, mountPoint);
        index = m_cboDRIVE->count() - 1;
    }
    m_cboDRIVE->setCurrentIndex(index);
}

bool MainWindow::setFolderList(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isAbsolute() || !info.isDir())
        return false;
    const QString path = withSlash(QDir::cleanPath(info.absoluteFilePath()));
    const QString root = mountPointOf(path);
    // The volume's own folder stays in view so that it can be chosen again.
    m_BoxDIR->setRootIndex(m_dirModel->index(QDir::cleanPath(root)).parent());
    if (!m_treeReveal->reveal(path))
        return false;
    // The tree does not report a current index it already had.
    folderChanged(path);
    return true;
}

void MainWindow::folderChanged(const QString& path)
{
    m_state.CartellaRicerca = withSlash(path);
    m_lblCurDir->setText(m_state.folderText());
}

void MainWindow::driveChanged(int index)
{
    const QString root = m_cboDRIVE->itemData(index).toString();
    if (root.isEmpty() || root == m_state.DriveSelezionato)
        return;
    setBusy(true);
    const QStorageInfo volume(root);
    const int err = (volume.isValid() && volume.isReady()) ? folderError(root) : ENODEV;
    if (err == ENODEV || err == ENOENT || err == ENXIO || err == ENOMEDIUM || err == EIO) {
        setBusy(false);
        m_prompter->message(QStringLiteral("Periferica non disponibile"), QStringLiteral("Errore Volume"),
                            Prompter::Icon::Information, Prompter::Buttons::Ok);
        selectDriveItem(m_state.DriveSelezionato);
        return;
    }
    if (err != 0) {
        setBusy(false);
        m_prompter->message(QStringLiteral("Errore %1").arg(err), QString(), Prompter::Icon::None,
                            Prompter::Buttons::Ok);
        // The tree still shows the last volume; the box follows it.
        selectDriveItem(m_state.DriveSelezionato);
        return;
    }
    if (!setFolderList(root))
        qCWarning(lcApp) << "cannot show the volume" << root;
    m_state.DriveSelezionato = root;
    setBusy(false);
}

void MainWindow::openFolder(const QString& path)
{
    const FolderToOpen target = folderToOpen(path);
    if (target.folder.isEmpty()) {
        m_prompter->message(target.message, QString(), Prompter::Icon::Warning, Prompter::Buttons::Ok);
        return;
    }
    // A folder the tree cannot hold (deeper than the path limit, or a name that is not UTF-8)
    // is still the one read: the tree shows the nearest folder above it that it can.
    QString shown = target.folder;
    while (!setFolderList(shown)) {
        const QString above = QFileInfo(QDir::cleanPath(shown)).path();
        if (above == QDir::cleanPath(shown)) {
            qCWarning(lcApp) << "cannot show the folder" << target.folder;
            return;
        }
        shown = withSlash(above);
    }
    if (shown != target.folder)
        folderChanged(target.folder);
    // The drive box shows the folder's volume, as at start-up.
    m_state.DriveSelezionato = mountPointOf(shown);
    selectDriveItem(m_state.DriveSelezionato);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedPath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = droppedPath(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    openFolder(path);
}

} // namespace vellora
