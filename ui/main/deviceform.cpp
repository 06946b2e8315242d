#include "ui/main/deviceform.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "actions/startup.h"
#include "model/variants.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "ui/widgets/click_label.h"

namespace {

// The OK button's picture: a chip with its pins.
QIcon chip_icon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 150, 150), std::max(1, size / 16)));
    for (int i = 0; i < 4; ++i) {
        int y = size / 4 + i * size / 7;
        p.drawLine(0, y, size, y);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawRoundedRect(QRectF(size * 0.18, size * 0.12, size * 0.64, size * 0.76), 2, 2);
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(QPointF(size * 0.32, size * 0.24), size * 0.05, size * 0.05);
    return QIcon(pm);
}

}  // namespace

deviceform::deviceform(Main& main, boardlink::BoardLink::Opened opened, QWidget* parent)
    : QDialog(parent), main_(main), opened_(std::move(opened)) {
    setObjectName("deviceform");
    setWindowTitle("Welcome to the Evaluation Software");
    setPalette(main.palette());

    Label1 = new QLabel("Please select the device being evaluated:");
    Label1->setObjectName("Label1");
    Frame1 = new QGroupBox;
    Frame1->setObjectName("Frame1");
    auto* group = new QButtonGroup(this);
    // Three columns of three, numbered down each column; each column is a group of its own, so
    // the keyboard's order follows the numbers.
    auto* columns = new QHBoxLayout(Frame1);
    QVBoxLayout* column = nullptr;
    for (int i = 1; i <= 9; ++i) {
        if ((i - 1) % 3 == 0) {
            auto* column_widget = new QWidget;
            column = new QVBoxLayout(column_widget);
            column->setContentsMargins(0, 0, 0, 0);
            columns->addWidget(column_widget);
        }
        QString caption = QString::fromStdString(variants::display_name(variants::kNames[i - 1]));
        Option[i] = new QRadioButton(caption);
        Option[i]->setObjectName(QString("Option%1").arg(i));
        group->addButton(Option[i]);
        column->addWidget(Option[i]);
    }
    Command1 = new QPushButton(chip_icon(QFontMetrics(font()).height() * 2), "OK");
    Command1->setObjectName("Command1");
    Command1->setIconSize(QSize(QFontMetrics(font()).height() * 2, QFontMetrics(font()).height() * 2));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &deviceform::Command1_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Frame1);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void deviceform::Form_Load() {
    // Port preparation: the link was opened at start; a parallel port that could not be claimed
    // has been replaced by the simulated board.
    if (!opened_.claim_error.empty())
        main_.prompts().message(MessageIcon::None, kAppTitle, "Failed to claim " + QString::fromStdString(opened_.claimed),
                                QString::fromStdString(opened_.claim_error) +
                                    "\n\nThe tool goes on with the simulated board: nothing reaches real hardware.");
    actions::open_variant_dialog(main_.state());
    main_.ui.Label9->setText("5 mA");
}

void deviceform::Command1_Click() {
    main_.show();
    std::optional<std::string_view> picked;
    for (int i = 1; i <= 9 && !picked; ++i)
        if (Option[i]->isChecked()) picked = variants::kNames[i - 1];
    // The simulated board carries the chip chosen: the variant without dual-modulus prescaler
    // divides by B alone.
    if (auto* board = main_.link().simulated_board(); board && picked)
        board->set_single_modulus(variants::is_single_modulus(*picked));
    const auto out = actions::choose_variant(main_.state(), main_.link(), picked);
    main_.supply_measurement().remember_setup(out.supply_monitor);
    main_.show_outcome(out);
    chosen_ = true;
    close();
    if (out.supply_monitor == boardlink::SetupResult::Ready) main_.supply_measurement().start();
    emit chosen();
}

void deviceform::mark(std::string_view variant) {
    for (int i = 1; i <= 9; ++i)
        if (variants::kNames[i - 1] == variant) Option[i]->setChecked(true);
}

void deviceform::closeEvent(QCloseEvent* event) {
    // Closing the dialog without choosing ends the program: there is nothing else to show.
    event->accept();
    if (!chosen_) QCoreApplication::quit();
}
