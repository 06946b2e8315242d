#include "ui/prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

void DesktopPrompts::message(MessageIcon icon, const QString& title, const QString& text, const QString& detail,
                             bool beep) {
    if (beep) QApplication::beep();
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setInformativeText(detail);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    box.exec();
}

bool DesktopPrompts::ask(const QString& title, const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), title, text) == QMessageBox::Yes;
}

QString DesktopPrompts::open_file_name(QWidget* parent, const QString& caption, const QString& filter,
                                       const QString& dir) {
    QString selected = filter;
    return QFileDialog::getOpenFileName(parent, caption, dir, filter, &selected);
}

QString DesktopPrompts::save_file_name(QWidget* parent, const QString& caption, const QString& filter,
                                       const QString& dir) {
    QString selected = filter;
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, &selected, QFileDialog::DontConfirmOverwrite);
}

int DesktopPrompts::run_modal(QDialog& dialog) { return dialog.exec(); }
