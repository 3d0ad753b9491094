#pragma once
// The about box ("frmAbout"): title, version and author. Built anew at every opening; the
// opener runs it modally through the DialogPrompter.

#include <QDialog>

class QLabel;

namespace vellora {

class AboutDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutDialog)

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static QString authorLine();
    // The project's web page; empty while it has none, and then no line shows it.
    static QString webAddress();
};

} // namespace vellora
