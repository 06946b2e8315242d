#include "ui/dialogs/planform.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "model/number_format.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/entry_parse.h"
#include "ui/main/main_window.h"
#include "ui/show_refusal.h"

using namespace dialog_parts;

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

planform::planform(Main& main, double wanted_mhz) : main_(main) {
    setObjectName("planform");
    setWindowTitle("Frequency Plans");
    Label1 = label("Label1", "Wanted VCO frequency (MHz):");
    Text1 = entry("Text1", "0000.000000");
    Text1->setText(text(numfmt::general(wanted_mhz)));
    Label2 = label("Label2", "Channel step (kHz), if any:");
    Text2 = entry("Text2", "0000.000");
    Command3 = named(new QPushButton("Find"), "Command3");
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    Label3 = label("Label3", {});
    Label3->setWordWrap(true);

    Table1 = named(new QTableWidget(0, 7), "Table1");
    Table1->setHorizontalHeaderLabels({"R", "PFD (kHz)", "P", "B", "A", "Made (MHz)", "Error (Hz)"});
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->setSelectionMode(QAbstractItemView::SingleSelection);
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->verticalHeader()->setVisible(false);
    Table1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table1->setAccessibleName("Frequency plans, best first");
    Table1->setMinimumWidth(Table1->fontMetrics().horizontalAdvance("0") * 70);

    Command1 = named(new QPushButton("Load"), "Command1");
    Command2 = named(new QPushButton("Close"), "Command2");
    Command1->setDefault(true);
    Command3->setAutoDefault(false);

    auto* entries = new QGridLayout;
    entries->addWidget(Label1, 0, 0);
    entries->addWidget(Text1, 0, 1);
    entries->addWidget(Label2, 1, 0);
    entries->addWidget(Text2, 1, 1);
    entries->addWidget(Command3, 1, 2);
    QHBoxLayout* buttons = button_row({Command1, Command2});
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(entries);
    outer->addWidget(Label3);
    outer->addWidget(Table1);
    outer->addLayout(buttons);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command3);
    setTabOrder(Command3, Table1);
    setTabOrder(Table1, Command1);
    setTabOrder(Command1, Command2);

    connect(Command1, &QPushButton::clicked, this, &planform::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &planform::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &planform::Command3_Click);
    connect(Table1, &QTableWidget::cellDoubleClicked, this, [this] { Command1_Click(); });
    Command3_Click();
}

void planform::Command3_Click() {
    const auto wanted = parse_entry(Text1);
    std::optional<double> step;
    if (!Text2->text().trimmed().isEmpty()) step = parse_entry(Text2);
    plans_.clear();
    if (wanted && *wanted > 0 && (Text2->text().trimmed().isEmpty() || (step && *step > 0)))
        plans_ = plan_frequency(main_.state(), *wanted, step);
    Table1->setRowCount(int(plans_.size()));
    for (int row = 0; row < int(plans_.size()); ++row) {
        const FrequencyPlan& p = plans_[size_t(row)];
        const std::string cells[] = {std::to_string(p.r), numfmt::general(p.pfd_khz), std::to_string(p.p),
                                     std::to_string(p.b), std::to_string(p.a), numfmt::general(p.vco_mhz),
                                     numfmt::general(p.error_hz)};
        for (int column = 0; column < 7; ++column) {
            auto* item = new QTableWidgetItem(text(cells[column]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Table1->setItem(row, column, item);
        }
    }
    if (!plans_.empty()) Table1->selectRow(0);
    Label3->setText(plans_.empty()
                        ? "No plan of the counters reaches this frequency from the present reference: check the "
                          "frequency and the channel step."
                        : "Plans best first: exact ones, then the highest PFD, then the fewest latches changed. "
                          "Load sends the chosen plan as the frequency dialog's Load Now does.");
    Command1->setEnabled(!plans_.empty());
}

void planform::Command1_Click() {
    const auto selected = Table1->selectionModel()->selectedRows();
    if (selected.isEmpty() || size_t(selected.front().row()) >= plans_.size()) return;
    chosen_ = plans_[size_t(selected.front().row())];
    accept();
}

void planform::Command2_Click() { reject(); }
