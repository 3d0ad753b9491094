// window_shot FOLDER OUT.png [PATTERN]: the real window on the current display (run it
// under Xvfb), a scan of FOLDER with subfolders, then a picture of the window in OUT.png.
// Settings go to a temporary file; the user's own are not touched. With SHOT_SCROLL_RIGHT
// set, the table is scrolled to its right edge first (the number column stays in view).
// With SHOT_PREVIEW set, the picture is of the print preview opened on the scan from the
// print dialog (size, date and version printed; SHOT_PREVIEW=2 shows two pages a row,
// SHOT_PREVIEW=3 the preview while "Salva PDF" writes the file).
// With SHOT_EXPORT set, the picture is of the newer formats' export dialog while it writes.
// SHOT_ALL_COLUMNS set fills every column of the table; SHOT_ORDER=N picks that order.
// SHOT_COMPARE=LISTING.jsonl compares the scanned folder with that saved listing from the File
// menu (unchanged files shown too) and pictures the comparison in the table.

#include "ScriptedPrompter.h"
#include "ui/CompareDialog.h"
#include "ui/FrmAnteprima.h"
#include "ui/FolderTreeModel.h"
#include "ui/MainWindow.h"
#include "ui/PreviewView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace vellora;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_shot FOLDER OUT.png [PATTERN]\n");
        return 2;
    }
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    MainWindowOptions options;
    options.store = SettingsStore(dir.filePath(QStringLiteral("shot.ini")));
    options.prompter = &prompter;
    MainWindow w(std::move(options));
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return 1;

    auto* folder = w.findChild<QTreeView*>(QStringLiteral("BoxDIR"));
    auto* model = qobject_cast<FolderTreeModel*>(folder->model());
    folder->setCurrentIndex(model->index(QDir::cleanPath(QString::fromLocal8Bit(argv[1]))));
    folder->scrollTo(folder->currentIndex());
    // Picked as a user picks: the box acts on every pick.
    auto* scope = w.findChild<QComboBox*>(QStringLiteral("cboRicercaIn"));
    scope->setCurrentIndex(1);
    Q_EMIT scope->activated(1);
    if (argc > 3)
        w.findChild<QComboBox*>(QStringLiteral("cboPATTERN"))->setEditText(QString::fromLocal8Bit(argv[3]));
    if (qEnvironmentVariableIsSet("SHOT_ALL_COLUMNS"))
        w.state().OptV = {1, 1, 1, 1, 1, 1, 1, 1};
    if (qEnvironmentVariableIsSet("SHOT_ORDER")) {
        auto* order = w.findChild<QComboBox*>(QStringLiteral("cboORD"));
        order->setCurrentIndex(qEnvironmentVariableIntValue("SHOT_ORDER"));
        Q_EMIT order->activated(order->currentIndex());
    }
    w.findChild<QPushButton*>(QStringLiteral("cmdAvvia"))->click();
    if (!QTest::qWaitFor([&] { return !w.driver().isRunning(); }, 120000))
        return 1;
    QTest::qWait(500); // the folder tree fills in the background
    folder->scrollTo(folder->currentIndex(), QAbstractItemView::PositionAtCenter);
    if (qEnvironmentVariableIsSet("SHOT_SCROLL_RIGHT")) {
        auto* grid = w.findChild<QTableView*>(QStringLiteral("GRIGLIA"));
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        grid->verticalScrollBar()->setValue(40);
    }
    QTest::qWait(100);
    if (qEnvironmentVariableIsSet("SHOT_COMPARE")) {
        prompter.onDialog = [&](QDialog& d) {
            auto& compare = static_cast<CompareDialog&>(d);
            compare.setListing(qEnvironmentVariable("SHOT_COMPARE"));
            compare.setShowUnchanged(true);
            compare.Confronta();
            return QTest::qWaitFor([&] { return compare.result() != nullptr; }, 120000)
                       ? int(QDialog::Accepted)
                       : int(QDialog::Rejected);
        };
        w.findChild<QAction*>(QStringLiteral("mnuConfronta"))->trigger();
        QTest::qWait(200);
    }
    if (qEnvironmentVariableIsSet("SHOT_PREVIEW")) {
        w.state().OptS = {1, 1, 1, 1, 1, 1, 0, 0};
        bool saved = false;
        prompter.onDialog = [&](QDialog& d) {
            if (d.objectName() == QLatin1String("frmStampaDir")) {
                d.findChild<QPushButton*>(QStringLiteral("cmdAnteprima"))->click();
                return int(QDialog::Rejected);
            }
            auto& preview = static_cast<FrmAnteprima&>(d);
            d.resize(1200, 860);
            d.show();
            if (!QTest::qWaitForWindowExposed(&d) ||
                !QTest::qWaitFor([&] { return preview.pages().complete(); }, 60000))
                return int(QDialog::Rejected);
            if (qEnvironmentVariableIntValue("SHOT_PREVIEW") == 2)
                d.findChild<QPushButton*>(QStringLiteral("cmdDuePagine"))->click();
            QTest::qWait(300);
            auto* bar = d.findChild<QProgressBar*>(QStringLiteral("prgSalva"));
            if (qEnvironmentVariableIntValue("SHOT_PREVIEW") == 3 && bar) {
                d.findChild<QPushButton*>(QStringLiteral("cmdSalvaPDF"))->click();
                (void)QTest::qWaitFor([&] { return bar->value() >= 30; }, 60000);
            }
            saved = d.grab().save(QString::fromLocal8Bit(argv[2]));
            d.reject();
            (void)QTest::qWaitFor([&] { return !preview.saving(); }, 60000);
            return int(QDialog::Rejected);
        };
        w.findChild<QPushButton*>(QStringLiteral("cmdStampa"))->click();
        w.close();
        return saved ? 0 : 1;
    }
    if (qEnvironmentVariableIsSet("SHOT_EXPORT")) {
        // The newer formats' export dialog while it writes a workbook with checksums.
        bool saved = false;
        prompter.onDialog = [&](QDialog& d) {
            d.show();
            d.findChild<QRadioButton*>(QStringLiteral("optXLSX"))->click();
            d.findChild<QCheckBox*>(QStringLiteral("ckChecksum"))->setChecked(true);
            auto* bar = d.findChild<QProgressBar*>(QStringLiteral("prgEsporta"));
            d.findChild<QPushButton*>(QStringLiteral("cmdEsporta"))->click();
            (void)QTest::qWaitFor([&] { return bar->value() > bar->maximum() / 4; }, 60000);
            saved = d.grab().save(QString::fromLocal8Bit(argv[2]));
            d.reject();
            (void)QTest::qWaitFor([&] { return !prompter.messages.empty(); }, 60000);
            return int(QDialog::Rejected);
        };
        w.findChild<QAction*>(QStringLiteral("mnuAltroFormato"))->trigger();
        w.close();
        return saved ? 0 : 1;
    }
    for (const auto& m : prompter.messages)
        std::printf("message: %s\n", qPrintable(m.text));
    if (!w.grab().save(QString::fromLocal8Bit(argv[2])))
        return 1;
    w.close();
    return 0;
}
