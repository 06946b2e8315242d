#include "ui/registers/registers.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/latch.h"
#include "model/main_display.h"
#include "model/variants.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"
#include "ui/widgets/tool_colours.h"

using namespace dialog_parts;
using regmap::Row;

namespace {

QString qstr(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// The switch names of a row from DB23 down to DB0. The N row is made of control arrays (element
// i of Toggle27 is Toggle27_i); the R row's names do not run in bit order.
QString switch_name(Row row, int db) {
    switch (row) {
        case Row::Control: return QString("Toggle%1").arg(24 - db);
        case Row::N:
            if (db >= 22) return QString("Toggle25_%1").arg(23 - db);
            if (db == 21) return "Toggle26";
            if (db >= 8) return QString("Toggle27_%1").arg(20 - db);
            if (db >= 2) return QString("Toggle28_%1").arg(7 - db);
            return QString("Toggle29_%1").arg(1 - db);
        case Row::R: {
            static const int names[24] = {53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42,
                                          41, 40, 39, 38, 37, 36, 35, 32, 34, 33, 31, 30};
            return QString("Toggle%1").arg(names[db]);
        }
    }
    return {};
}

// The names the window's callers know its captions by; the other captions are named after their
// row and top bit.
QString caption_name(Row row, int high) {
    if (row == Row::Control && high == 23) return "Label18";
    if (row == Row::N && high == 23) return "Label11";
    if (row == Row::N && high == 22) return "Label12";
    if (row == Row::N && high == 20) return "Label8";
    if (row == Row::N && high == 6) return "Label7";
    static const char* rows[] = {"control", "n", "r"};
    return QString("caption_%1_DB%2").arg(rows[size_t(row)]).arg(high);
}

// A field's caption over its columns. The text stays as given, padding included; it is drawn as
// the name centred over a bracket that spans the field's bits, which is what the dashes stood
// for. A name wider than its columns wraps at blanks, and shrinks when a word still does not fit.
// Name and bracket are drawn in the palette's text colour.
class FieldCaption : public QLabel {
public:
    FieldCaption(const QString& text, int span) : QLabel(text), span_(span) {
        setTextFormat(Qt::PlainText);
        setAccessibleName(core());
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    QString core() const { return qstr(regmap::caption_core(text().toStdString())); }

    // Two lines of text and the bracket; the width follows the columns below.
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        return {fm.horizontalAdvance('0') * 2, fm.height() * 2 + bracket_height() + 2};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int bracket = bracket_height();
        const QRect text_area = rect().adjusted(1, 0, -1, -bracket - 1);
        QFont f = font();
        QStringList lines;
        for (double scale = 1.0; scale >= 0.7; scale -= 0.1) {
            f.setPointSizeF(font().pointSizeF() * scale);
            lines = wrap(QFontMetrics(f), text_area.width());
            if (!lines.isEmpty()) break;
        }
        if (lines.isEmpty()) lines = {core()};
        p.setFont(f);
        const QColor colour = palette().color(foregroundRole());
        p.setPen(colour);
        const QFontMetrics fm(f);
        int y = text_area.bottom() - fm.height() * int(lines.size()) + 1;
        for (const QString& line : lines) {
            p.drawText(QRect(text_area.left(), y, text_area.width(), fm.height()), Qt::AlignCenter, line);
            y += fm.height();
        }
        if (span_ > 1) {
            const qreal bottom = height() - 2.5, top = bottom - bracket + 2, left = 3.5, right = width() - 3.5;
            p.setPen(QPen(colour, 1.2));
            p.drawLine(QPointF(left, top), QPointF(left, bottom));
            p.drawLine(QPointF(left, bottom), QPointF(right, bottom));
            p.drawLine(QPointF(right, bottom), QPointF(right, top));
        }
    }

private:
    int bracket_height() const { return std::max(4, QFontMetrics(font()).height() / 3); }

    // The name in lines no wider than `width`; empty when a word alone is wider.
    QStringList wrap(const QFontMetrics& fm, int width) const {
        QStringList lines;
        for (const QString& word : core().split(' ', Qt::SkipEmptyParts)) {
            if (fm.horizontalAdvance(word) > width) return {};
            if (!lines.isEmpty() && fm.horizontalAdvance(lines.back() + ' ' + word) <= width)
                lines.back() += ' ' + word;
            else
                lines << word;
        }
        return lines.size() <= 2 ? lines : QStringList{};
    }

    int span_;
};

// The sheet the rows lie on. Behind each field it lays a tinted band from its caption down to
// its bit numbers, so the fields stand apart at a glance. The caption, switches and numbers of a
// field fill themselves with the band's colour (so each knows what its text lies on); the band
// closes the gaps between them.
class RegisterPlate : public QFrame {
public:
    struct Band {
        QWidget *top_left, *bottom_right;
        QColor colour;
    };
    void add_band(Band band) { bands_.push_back(band); }

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter p(this);
        for (const Band& b : bands_)
            p.fillRect(b.top_left->geometry().united(b.bottom_right->geometry()), b.colour);
    }

private:
    std::vector<Band> bands_;
};

}  // namespace

registers::registers(Main& main) : SettingDialog(main, "registers", "KSY 7100 Register Map") {
    Frame1 = named(new RegisterPlate, "Frame1");
    Frame1->setFrameShape(QFrame::StyledPanel);
    tool_colours::fill(Frame1, tool_colours::sheet(palette()));

    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(1);
    for (Row row : regmap::kRows) build_row(row, grid, int(row) * 6);
    content()->addWidget(Frame1);
    Label35 = sent_labels_[size_t(Row::Control)];
    Label36 = sent_labels_[size_t(Row::N)];
    Label37 = sent_labels_[size_t(Row::R)];

    // Every bit column as wide as the widest of its switches and single-bit captions allow.
    const QFontMetrics fm(font());
    const int column = std::max(switches_[0][0]->sizeHint().width(), fm.horizontalAdvance("MLD") + 6);
    for (int c = 1; c <= 24; ++c) grid->setColumnMinimumWidth(c, column);

    // Tab runs through each row's switches from DB23 down, then its button and its entry, and
    // the window opens on the first switch.
    QList<QWidget*> order;
    for (Row row : regmap::kRows) {
        for (int db = 23; db >= 0; --db)
            if (switch_at(row, db)->focusPolicy() != Qt::NoFocus) order << switch_at(row, db);
        order << (row == Row::Control ? Command4 : row == Row::N ? Command5 : Command6) << entries_[size_t(row)];
    }
    tab_order(order);

    Form_Load();
}

void registers::build_row(Row row, QGridLayout* grid, int top) {
    auto* plate = static_cast<RegisterPlate*>(Frame1);
    static const char* titles[] = {"Control latch (function latch)", "N counter latch", "R counter latch"};
    auto* title = new QLabel(titles[size_t(row)]);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    grid->addWidget(title, top, 0, 1, 26);

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    auto end_label = [&](const char* text) {
        auto* l = new QLabel(text);
        l->setFont(small);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    grid->addWidget(end_label("MSB"), top + 2, 0);
    grid->addWidget(end_label("LSB"), top + 2, 25);

    int settable = 0;
    for (const regmap::Field& field : regmap::fields(row)) {
        const tool_colours::Pair band =
            field.fixed ? tool_colours::fixed_band(palette()) : tool_colours::field_band(settable++, palette());
        const tool_colours::Pair numbers{band.background, tool_colours::quiet_text(band.background, palette())};
        const int first_column = 24 - field.high, span = field.high - field.low + 1;
        auto* caption = new FieldCaption(qstr(field.caption), span);
        tool_colours::fill(caption, band);
        caption->setObjectName(caption_name(row, field.high));
        grid->addWidget(caption, top + 1, first_column, 1, span);

        QLabel* last_number = nullptr;
        for (int db = field.high; db >= field.low; --db) {
            const QString name = switch_name(row, db);
            ToggleSwitch* t;
            if (field.fixed) {
                const QString digit = regmap::fixed_digit(row, db) ? "1" : "0";
                t = new ToggleSwitch(digit, digit, nullptr, ToggleSwitch::Style::Bit);
                t->setFixed(true);
            } else {
                t = new ToggleSwitch("0", "1", nullptr, ToggleSwitch::Style::Bit);
                connect(t, &ToggleSwitch::clicked, this, [this, row] { show_row_word(row); });
            }
            t->setObjectName(name);
            tool_colours::fill(t, band);
            if (!field.fixed) connect(t, &ToggleSwitch::clicked, this, [this] { show_unsent(); });
            t->setAccessibleName(QString("%1 DB%2 %3").arg(qstr(regmap::latch_name(row))).arg(db).arg(caption->core()));
            switches_[size_t(row)][size_t(db)] = t;
            grid->addWidget(t, top + 2, 24 - db);

            last_number = new QLabel(QString::number(db));
            last_number->setFont(small);
            last_number->setAlignment(Qt::AlignCenter);
            tool_colours::fill(last_number, numbers);
            grid->addWidget(last_number, top + 3, 24 - db);
        }
        plate->add_band({caption, last_number, band.background});
    }

    // Under the row: its send button, the entry for a whole word, and the word last sent.
    static const char* buttons[] = {"Update Function Latch", "Update N Register", "Update R Register"};
    static const char* button_names[] = {"Command4", "Command5", "Command6"};
    auto* send = named(new QPushButton(buttons[size_t(row)]), button_names[size_t(row)]);
    send->setAutoDefault(false);
    auto* entry = named(new QLineEdit, row == Row::Control ? "control_word_entry"
                                       : row == Row::N     ? "n_word_entry"
                                                           : "r_word_entry");
    const QString latch = qstr(regmap::latch_name(row));
    entry->setAccessibleName(latch + " word to set, in hexadecimal");
    entry->setToolTip("Type or paste a whole " + latch + " word in hexadecimal and press Return to set this "
                      "row's switches from it. Nothing is sent until you press a send button.");
    entry->setMaxLength(12);
    entry->setFixedWidth(QFontMetrics(entry->font()).horizontalAdvance("0x00000000") + 16);
    entry->installEventFilter(this);
    entries_[size_t(row)] = entry;
    auto* entry_label = new QLabel("Set from word:");
    entry_label->setBuddy(entry);

    static const char* sent_names[] = {"Label35", "Label36", "Label37"};
    auto* sent = label(sent_names[size_t(row)], {});
    sent->setAccessibleName(latch + " word last sent");
    // The word can be selected and copied with the mouse; it takes no focus, being no control.
    sent->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sent->setFocusPolicy(Qt::NoFocus);
    sent->setMinimumWidth(QFontMetrics(sent->font()).horizontalAdvance("DDDDDD") + 8);
    QFont bold_word = sent->font();
    bold_word.setBold(true);
    sent->setFont(bold_word);
    sent_labels_[size_t(row)] = sent;

    static const char* unsent_names[] = {"control_unsent", "n_unsent", "r_unsent"};
    auto* unsent = label(unsent_names[size_t(row)], "Edited, not sent");
    unsent->setAccessibleName(latch + " edited, not sent");
    unsent->setToolTip("This row's switches differ from what was stored and sent: press its send button, Load Now "
                       "or OK to send them, or Cancel to drop them.");
    unsent->setVisible(false);
    unsent_marks_[size_t(row)] = unsent;

    auto* below = new QHBoxLayout;
    below->addWidget(send);
    below->addWidget(unsent);
    below->addStretch(1);
    below->addWidget(entry_label);
    below->addWidget(entry);
    below->addSpacing(16);
    below->addWidget(new QLabel("Last sent:"));
    below->addWidget(sent);
    grid->addLayout(below, top + 4, 1, 1, 24);
    tool_colours::mark_alert(unsent, true);  // red on the sheet it now lies on
    grid->setRowMinimumHeight(top + 5, QFontMetrics(font()).height());

    if (row == Row::Control) {
        Command4 = send;
        Label18 = caption_label(row, 23);
        connect(send, &QPushButton::clicked, this, [this] { Command4_Click(); });
    } else if (row == Row::N) {
        Command5 = send;
        Label11 = caption_label(row, 23);
        Label12 = caption_label(row, 22);
        Label8 = caption_label(row, 20);
        Label7 = caption_label(row, 6);
        connect(send, &QPushButton::clicked, this, [this] { Command5_Click(); });
    } else {
        Command6 = send;
        connect(send, &QPushButton::clicked, this, [this] { Command6_Click(); });
    }
}

QLabel* registers::caption_label(Row row, int high) const {
    return Frame1->findChild<QLabel*>(caption_name(row, high));
}

void registers::Form_Load() {
    if (variants::is_single_modulus(state_.device))
        for (auto [row, high] : {std::pair{Row::Control, 23}, {Row::N, 23}, {Row::N, 22}, {Row::N, 20}, {Row::N, 6}}) {
            const std::string_view text = regmap::single_modulus_caption(row, high);
            QLabel* caption = caption_label(row, high);
            caption->setText(qstr(text));
            caption->setAccessibleName(qstr(regmap::caption_core(text)));
        }
    const regmap::RegisterBits shown = regmap::bits_from_state(state_);
    for (Row row : regmap::kRows) {
        // The fixed digits as the row's words carry them: the address, and the bits the state adds.
        const uint32_t fixed_word = regmap::row_word(row, 0, regmap::unshown_bits(state_, row));
        for (int db = 0; db < 24; ++db)
            if (ToggleSwitch* t = switch_at(row, db); t->isFixed()) {
                const QString digit = (fixed_word >> db) & 1u ? "1" : "0";
                t->setCaptions(digit, digit);
            }
        set_row(row, shown[row]);
    }
}

void registers::set_row(Row row, uint32_t bits) {
    for (int db = 0; db < 24; ++db) {
        ToggleSwitch* t = switch_at(row, db);
        if (!t->isFixed()) t->setChecked((bits >> db) & 1u);
    }
    show_row_word(row);
}

regmap::RegisterBits registers::bits() const {
    regmap::RegisterBits b;
    for (Row row : regmap::kRows)
        for (int db = 0; db < 24; ++db) {
            const ToggleSwitch* t = switch_at(row, db);
            if (!t->isFixed() && t->isChecked()) b[row] |= 1u << db;
        }
    return b;
}

// The word the row's switches describe, shown greyed in its empty entry.
void registers::show_row_word(Row row) {
    const uint32_t word = regmap::row_word(row, bits()[row], regmap::unshown_bits(state_, row));
    entries_[size_t(row)]->setPlaceholderText(QString::fromStdString(regmap::hex_word(word)));
}

bool registers::apply_word_entry(Row row) {
    QLineEdit* entry = entries_[size_t(row)];
    if (entry->text().trimmed().isEmpty()) return true;
    const auto parsed = regmap::parse_row_word(entry->text().toStdString(), row, regmap::unshown_bits(state_, row));
    if (!parsed) {
        main_.prompts().message(MessageIcon::Exclamation, kAppTitle, QString::fromStdString(parsed.failure.message),
                                {}, true);
        // The word stays for correcting; the switches keep their positions.
        entry->selectAll();
        entry->setFocus();
        return false;
    }
    set_row(row, *parsed);
    entry->clear();
    show_unsent();
    return true;
}

void registers::show_unsent() {
    const regmap::RegisterBits stored = regmap::bits_from_state(state_), shown = bits();
    for (Row row : regmap::kRows) {
        const uint32_t mask = regmap::settable_mask(row);
        unsent_marks_[size_t(row)]->setVisible((stored[row] & mask) != (shown[row] & mask));
    }
}

bool registers::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            for (Row row : regmap::kRows)
                if (watched == entries_[size_t(row)]) {
                    // Return applies the word; it must not reach the dialog's default button.
                    apply_word_entry(row);
                    return true;
                }
    }
    return SettingDialog::eventFilter(watched, event);
}

bool registers::update() { return main_.show_outcome(actions::rebuild_from_register_map(state_, bits()), this); }

// Runs one of the send actions on the switches as they stand, a word still typed in a row it
// sends applied first, and shows the words sent.
bool registers::send(actions::RegisterSend which, std::initializer_list<Row> rows) {
    for (Row row : rows)
        if (!apply_word_entry(row)) return false;
    const bool sent = main_.show_outcome(actions::send_register_map(state_, main_.link(), bits(), which), this);
    if (sent)
        for (Row row : rows) show_sent(row);
    show_unsent();
    return sent;
}

void registers::show_sent(Row row) {
    const int32_t word = row == Row::Control ? state_.control_word : row == Row::N ? state_.n_word : state_.r_word;
    sent_labels_[size_t(row)]->setText(QString::fromStdString(regmap::hex_word(uint32_t(word))));
    show_row_word(row);
}

void registers::Command4_Click() { send(actions::RegisterSend::Control, {Row::Control}); }
void registers::Command5_Click() { send(actions::RegisterSend::N, {Row::N}); }
void registers::Command6_Click() { send(actions::RegisterSend::R, {Row::R}); }

bool registers::load_now() { return send(actions::RegisterSend::All, {Row::Control, Row::N, Row::R}); }

void registers::Command3_Click() { load_now(); }

void registers::Command1_Click() {
    // A refused Load Now keeps the window open with the switches as they are, for mending.
    if (load_now()) accept();
}
