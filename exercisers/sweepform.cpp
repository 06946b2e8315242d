#include "exercisers/sweepform.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/main/main_window.h"
#include "ui/widgets/tab_order.h"

namespace {

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLineEdit* entry(const char* name, const QString& text, const QString& tip) {
    auto* e = named(new QLineEdit(text), name);
    e->setToolTip(tip);
    e->setFixedWidth(QFontMetrics(e->font()).horizontalAdvance("00000.000000") + 12);
    return e;
}

}  // namespace

sweepform::sweepform(Main& main) : ExerciserWindow(main, "sweepform", "Sweepform") {
    Frame2 = named(new QGroupBox("Enter Start and Stop Frequency and Channel Step"), "Frame2");
    Label1 = named(new QLabel("Start"), "Label1");
    Text1 = entry("Text1", "1750", "Start frequency, MHz");
    Label2 = named(new QLabel("Stop"), "Label2");
    Text3 = entry("Text3", "1752", "Stop frequency, MHz");
    Label3 = named(new QLabel("Channel Step"), "Label3");
    Text2 = entry("Text2", "200", "Channel step, kHz");
    Label5 = named(new QLabel("Current Frequency"), "Label5");
    Text5 = entry("Text5", "", "Frequency of the last step, MHz");
    Text5->setReadOnly(true);
    Text5->setFocusPolicy(Qt::NoFocus);

    Frame3 = named(new QGroupBox("Enter rate of sweep (msecs per jump)"), "Frame3");
    Text4 = entry("Text4", "2000", "Milliseconds per step, 1 to 32767");
    Label4 = named(new QLabel("Note: sweep rate is not exact."), "Label4");

    Command3 = named(new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), "Start"), "Command3");
    Command4 = named(new QPushButton(style()->standardIcon(QStyle::SP_MediaStop), "Stop"), "Command4");
    Command2 = named(new QPushButton("Cancel"), "Command2");
    for (QPushButton* b : {Command3, Command4, Command2}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(30);
    }


    auto* frequencies = new QGridLayout(Frame2);
    int row = 0;
    for (auto [label, text] : {std::pair{Label1, Text1}, {Label2, Text3}, {Label3, Text2}, {Label5, Text5}}) {
        frequencies->addWidget(label, row, 0);
        frequencies->addWidget(text, row++, 1);
    }
    frequencies->setColumnStretch(0, 1);
    frequencies->setHorizontalSpacing(12);

    auto* rate = new QVBoxLayout(Frame3);
    rate->addWidget(Text4, 0, Qt::AlignLeft);
    rate->addWidget(Label4);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Command3, Command4, Command2}) buttons->addWidget(b);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(Frame2);
    outer->addWidget(Frame3);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // Each entry is named by the label in front of it, with what it holds: "Start" and "Stop"
    // alone are the buttons' names too. The rate is named by its frame's caption.
    for (auto [label, text, name] : {std::tuple{Label1, Text1, "Start frequency (MHz)"},
                                     {Label2, Text3, "Stop frequency (MHz)"}, {Label3, Text2, "Channel step (kHz)"},
                                     {Label5, Text5, "Current frequency (MHz)"}}) {
        label->setBuddy(text);
        text->setAccessibleName(name);
    }
    set_tab_order({Text1, Text3, Text2, Text4, Command3, Command4, Command2});

    connect(Command3, &QPushButton::clicked, this, &sweepform::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &sweepform::Command4_Click);
    connect(Command2, &QPushButton::clicked, this, &sweepform::Command2_Click);
}

void sweepform::show_news(const actions::RunNews& news) {
    if (running()) setCursor(Qt::WaitCursor);
    else unsetCursor();
    if (!news.texts) return;
    // The frequency reached, and the entries as the sweep reads them, normalising what was typed.
    Text5->setText(QString::fromStdString(news.texts->current));
    Text3->setText(QString::fromStdString(news.texts->stop));
    Text1->setText(QString::fromStdString(news.texts->start));
    Text2->setText(QString::fromStdString(news.texts->step));
}

void sweepform::stop_timers() {
    stop_ticks();
    run_.stop();
    unsetCursor();
}

void sweepform::Command3_Click() {
    stop_ticks();
    start_ticks(run_.start(state_, main_.link(), {text_of(Text1), text_of(Text3), text_of(Text2), text_of(Text4),
                                                   decimal_point()}));
}

void sweepform::Command4_Click() { stop_timers(); }

void sweepform::Command2_Click() { reject(); }

void sweepform::Timer1_Timer() { tick_now(0); }
