// The folder tree of the main window: folders only, read without opening a file, watched only
// while on screen.

#include "AppTestSupport.h"

#include <QScopeGuard>
#include <QTreeView>

#include <sys/inotify.h>
#include <unistd.h>

using namespace vellora;
using namespace vellora::testing;

namespace {

// What inotify saw opened since the last call: files in the folder of watch `files`, and the
// folder of watch `folder` itself.
struct Opened
{
    int files = 0;
    int folder = 0;
};
Opened openedSince(int inotify, int files, int folder)
{
    Opened seen;
    alignas(inotify_event) char buffer[16384];
    for (ssize_t n; (n = ::read(inotify, buffer, sizeof buffer)) > 0;) {
        for (const char* at = buffer; at < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(at);
            seen.files += e->wd == files && e->len > 0 && !(e->mask & IN_ISDIR);
            seen.folder += e->wd == folder && e->len == 0;
            at += sizeof(inotify_event) + e->len;
        }
    }
    return seen;
}

QModelIndex rowNamed(const QAbstractItemModel& model, const QModelIndex& parent, const QString& name)
{
    for (int r = 0; r < model.rowCount(parent); ++r)
        if (model.index(r, 0, parent).data().toString() == name)
            return model.index(r, 0, parent);
    return {};
}

} // namespace

class TestFolderTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensNoFile();
};

// The folder tree lists folders without ever opening a file beside them (a type guessed from
// the content would), also while files keep arriving, and follows the folders on screen only:
// a folder opened and closed again is not read when it changes, one on screen is.
void TestFolderTree::opensNoFile()
{
    Sandbox box;
    const QString parent = box.tree() + QStringLiteral("parent/");
    QDir().mkpath(parent + QStringLiteral("child"));
    QDir().mkpath(parent + QStringLiteral("other/inner"));
    for (int i = 0; i < 40; ++i) // no extension: only their content could tell their type
        writeFile(parent + QStringLiteral("data%1").arg(i), "plain text");
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const auto closeInotify = qScopeGuard([&] { ::close(inotify); });
    const int files = ::inotify_add_watch(inotify, QFile::encodeName(parent).constData(), IN_OPEN);
    const int other = ::inotify_add_watch(
        inotify, QFile::encodeName(parent + QStringLiteral("other")).constData(), IN_OPEN);
    QVERIFY(files >= 0 && other >= 0);

    auto w = box.window();
    w->openFolder(parent + QStringLiteral("child"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* tree = child<QTreeView>(*w, "BoxDIR");
    auto* model = qobject_cast<FolderTreeModel*>(tree->model());
    const QPersistentModelIndex up = tree->currentIndex().parent();
    QTRY_COMPARE(model->rowCount(up), 2);
    const QPersistentModelIndex opened = rowNamed(*model, up, QStringLiteral("other"));
    tree->expand(opened);
    QTRY_COMPARE(model->rowCount(opened), 1);
    tree->collapse(opened);
    QTRY_VERIFY(!model->watchedFolders().contains(parent + QStringLiteral("other")));
    int filesOpened = openedSince(inotify, files, other).files;

    for (int i = 0; i < 5; ++i) { // moved in: the test itself opens none of them there
        writeFile(box.tree() + QStringLiteral("new%1").arg(i));
        QVERIFY(QFile::rename(box.tree() + QStringLiteral("new%1").arg(i),
                              parent + QStringLiteral("new%1").arg(i)));
    }
    QVERIFY(QDir().mkdir(parent + QStringLiteral("other/later")));
    QVERIFY(QDir().mkdir(parent + QStringLiteral("fresh")));
    QTRY_COMPARE(model->rowCount(up), 3);
    QVERIFY(rowNamed(*model, up, QStringLiteral("fresh")).isValid());
    const Opened after = openedSince(inotify, files, other);
    QCOMPARE(filesOpened + after.files, 0);
    QCOMPARE(after.folder, 0);
}

QTEST_MAIN(TestFolderTree)
#include "test_folder_tree.moc"
