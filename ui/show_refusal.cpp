#include "ui/show_refusal.h"

#include <QLineEdit>

#include "ui/prompts.h"

void show_refusal(Prompts& prompts, QWidget* window, const actions::Refusal& refusal) {
    const QString title = refusal.title.empty() ? kAppTitle : QString::fromStdString(refusal.title);
    prompts.message(MessageIcon::Exclamation, title, QString::fromStdString(refusal.message),
                    QString::fromStdString(refusal.detail), refusal.beep);
    if (!window || refusal.entry.empty()) return;
    auto* entry = window->findChild<QLineEdit*>(QString::fromStdString(refusal.entry));
    if (!entry) return;
    if (refusal.clear_entry) entry->clear();
    entry->setFocus();
}
