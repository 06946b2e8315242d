#include "ui/main/sim_board_window.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "link/latch_fields.h"
#include "link/sim_board.h"
#include "model/number_format.h"
#include "ui/plots/plot_panel.h"

namespace {

QString bits_text(const boardlink::LatchField& f) {
    QString bits;
    for (int b = f.high; b >= f.low; --b) bits += (f.value >> (b - f.low)) & 1 ? '1' : '0';
    return bits;
}

}  // namespace

SimBoardWindow::SimBoardWindow(boardlink::SimBoard& board, QWidget* parent) : QDialog(parent), board_(board) {
    setObjectName("SimBoardWindow");
    setWindowTitle("Simulated Board");
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* layout = new QVBoxLayout(this);
    auto* latches = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        auto* box = new QGroupBox(QString(boardlink::latch_name(i)) + " (DB23 .. DB0)");
        auto* inner = new QVBoxLayout(box);
        words_[i] = new QLabel;
        words_[i]->setObjectName(QString("word%1").arg(i));
        QFont word_font = mono;
        word_font.setBold(true);
        word_font.setPointSizeF(word_font.pointSizeF() * 1.3);
        words_[i]->setFont(word_font);
        inner->addWidget(words_[i]);
        fields_[i] = new QLabel;
        fields_[i]->setObjectName(QString("fields%1").arg(i));
        fields_[i]->setFont(mono);
        fields_[i]->setTextFormat(Qt::PlainText);
        fields_[i]->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        // Room for every field of the longest latch (the control latch's fourteen), so the plot
        // below never squeezes them out of sight.
        fields_[i]->setMinimumHeight(QFontMetrics(mono).lineSpacing() * 14);
        inner->addWidget(fields_[i], 1);
        latches->addWidget(box, i / 2, i % 2);
    }
    layout->addLayout(latches);
    frequency_ = new QLabel;
    frequency_->setObjectName("frequency");
    QFont big = font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    frequency_->setFont(big);
    layout->addWidget(frequency_);
    count_ = new QLabel;
    layout->addWidget(count_);
    muxout_ = new QLabel;
    muxout_->setObjectName("muxout");
    layout->addWidget(muxout_);
    settling_ = new PlotPanel("BoardSettling", "VCO frequency since the latest hop", "Time (us)",
                              "Frequency (MHz)", false);
    layout->addWidget(settling_, 1);

    throttle_.setSingleShot(true);
    throttle_.setInterval(50);  // at most 20 redraws a second, however fast words arrive
    connect(&throttle_, &QTimer::timeout, this, &SimBoardWindow::refresh);
    live_.setInterval(250);
    connect(&live_, &QTimer::timeout, this, &SimBoardWindow::refresh);
    live_.start();
    // Words may arrive on an exerciser's timing thread: the redraw is asked of this window's own.
    board_.set_listener([this] {
        QMetaObject::invokeMethod(this, [this] {
            if (!throttle_.isActive()) throttle_.start();
        }, Qt::QueuedConnection);
    });
    refresh();
}

SimBoardWindow::~SimBoardWindow() { board_.set_listener({}); }

void SimBoardWindow::refresh() {
    const boardlink::SimBoard::View board = board_.view();
    for (int i = 0; i < 4; ++i) {
        const auto& word = board.latches[i];
        if (!word) {
            words_[i]->setText("(none)");
            fields_[i]->setText({});
            continue;
        }
        words_[i]->setText(QString::fromStdString(numfmt::word_hex(*word)));
        QStringList lines;
        for (const auto& f : boardlink::latch_fields(i, *word))
            lines << QString("%1 %2 %3").arg(QString(f.name), -20).arg(bits_text(f), 14).arg(f.value, 6);
        fields_[i]->setText(lines.join('\n'));
    }
    const auto& hz = board.output_frequency_hz;
    frequency_->setText(hz ? QString("Output frequency: %1 MHz (REF IN 10 MHz)")
                                 .arg(QString::fromStdString(numfmt::pattern(*hz / 1e6, "#0.000000")))
                           : QString("Output frequency: not yet programmed"));
    count_->setText(QString("Words loaded: %1").arg(board.words_loaded));

    using Level = boardlink::SimBoard::Level;
    const bool detecting = board.latches[0] && ((*board.latches[0] >> 5) & 7u) == 1;
    const QString level = board.muxout == Level::High ? "high" : board.muxout == Level::Low ? "low" : "floating";
    muxout_->setText(detecting ? QString("Lock detect: %1").arg(board.muxout == Level::High ? "locked" : "not locked")
                               : QString("MUXOUT: %1").arg(level));
    // The settling over the first 5 ms after the hop (or up to now); the window follows words, so
    // after a hop it shows the frequency as far as the loop had come by the redraw.
    constexpr int64_t kSpanNs = 5'000'000;
    PlotPanel::Curve vco{"VCO (MHz)", {}, {}};
    if (const auto trace = board_.settling_trace(kSpanNs, 200)) {
        for (std::size_t i = 0; i < trace->t_s.size(); ++i) {
            vco.x.push_back(trace->t_s[i] * 1e6);
            vco.y.push_back(trace->hz[i] / 1e6);
        }
    }
    settling_->show_curves({vco}, {});
}
