#pragma once
// What the window tests share: a window on a temporary settings file with scripted boxes,
// a trash and an export folder inside a temporary home, and file trees made on the spot.

#include "results/ResultTable.h"
#include "ScriptedPrompter.h"
#include "system/Platform.h"
#include "ui/FolderTreeModel.h"
#include "ui/MainWindow.h"

#include <memory>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace vellora::testing {

inline void writeFile(const QString& path, const QByteArray& content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
}

// A home of its own for the test program, set before main(): the desktop trash (GIO) reads
// HOME and XDG_DATA_HOME once per process, and takes the home trash only for files on the
// home's own disk.
struct TestHome
{
    QTemporaryDir dir;
    TestHome()
    {
        qputenv("HOME", QFile::encodeName(dir.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral(".local/share"))));
    }
    [[nodiscard]] QString trash() const { return dir.filePath(QStringLiteral(".local/share/Trash/")); }
};
inline const TestHome testHome;

// One temporary world per test, inside the test home: settings file, an empty trash, export
// folder and a tree to scan.
struct Sandbox
{
    QTemporaryDir dir{testHome.dir.filePath(QStringLiteral("sandbox-XXXXXX"))};
    ScriptedPrompter prompter;
    QStringList shown; // what the window handed to the file manager: "file PATH", "folder PATH"

    Sandbox()
    {
        QDir(testHome.trash()).removeRecursively();
        qputenv("VELLORA_EXPORT_DIR", QFile::encodeName(dir.filePath(QStringLiteral("export"))));
        QDir().mkpath(tree());
    }
    [[nodiscard]] QString settingsPath() const { return dir.filePath(QStringLiteral("Vellora.ini")); }
    [[nodiscard]] QString tree() const { return dir.filePath(QStringLiteral("tree")) + u'/'; }
    [[nodiscard]] QString trashed(const QString& name) const
    {
        return testHome.trash() + QStringLiteral("files/") + name;
    }

    [[nodiscard]] std::unique_ptr<MainWindow> window()
    {
        MainWindowOptions options;
        options.store = SettingsStore(settingsPath());
        options.prompter = &prompter;
        // Never the desktop's file manager from a test.
        options.showInFileManager = [this](const QString& path, bool selectFile) {
            shown << (selectFile ? QStringLiteral("file ") : QStringLiteral("folder ")) + path;
        };
        auto w = std::make_unique<MainWindow>(std::move(options));
        w->fileActions().setDeleteDelay(std::chrono::milliseconds(0));
        return w;
    }
};

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QLatin1String(name));
    if (!c)
        qWarning("no child %s", name);
    return c;
}

inline QString labelText(QWidget& w, const char* name)
{
    QLabel* l = child<QLabel>(w, name);
    return l ? l->text() : QStringLiteral("<missing>");
}

// Points the folder tree at folder as a user's click would.
inline void chooseFolder(MainWindow& w, const QString& folder)
{
    auto* tree = child<QAbstractItemView>(w, "BoxDIR");
    auto* model = qobject_cast<FolderTreeModel*>(tree->model());
    tree->setCurrentIndex(model->index(QDir::cleanPath(folder)));
}

// A user's pick in a list box: the box reports every pick, also of the entry it shows.
inline void pick(MainWindow& w, const char* box, int index)
{
    auto* c = child<QComboBox>(w, box);
    c->setCurrentIndex(index);
    Q_EMIT c->activated(index);
}

inline void setPattern(MainWindow& w, const QString& pattern)
{
    child<QComboBox>(w, "cboPATTERN")->setEditText(pattern);
}

// Starts a scan with cmdAvvia and waits for it to end.
inline bool scan(MainWindow& w)
{
    child<QPushButton>(w, "cmdAvvia")->click();
    return QTest::qWaitFor([&] { return !w.driver().isRunning(); }, 20000);
}

} // namespace vellora::testing
