#include "ui/dialogs/conversionform.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/conversion.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/entry_parse.h"
#include "ui/main/main_window.h"
#include "ui/widgets/tab_order.h"

using namespace dialog_parts;

conversionform::conversionform(Main& main) : QDialog(&main), main_(main) {
    setObjectName("conversionform");
    setWindowTitle("Conversion Calculator");
    setPalette(main.palette());

    Frame1 = frame("Frame1");
    Label1 = label("Label1", "Convert ");
    Text1 = entry("Text1", "-123.45678");
    Text1->setToolTip("Type in a numerical value here.");
    Label3 = label("Label3", "Convert from");
    // The choices stand in a column of their own, so Tab takes them between input and answer.
    auto* options_column = new QWidget;
    auto* options = new QVBoxLayout(options_column);
    options->setContentsMargins(0, 0, 0, 0);
    const auto column = option_column(this, options, {"dBm to Volt", "Volt to dBm", "dB to Volt", "Volt to dB"});
    Option1 = column[0];
    Option2 = column[1];
    Option3 = column[2];
    Option4 = column[3];
    Label2 = label("Label2", "Answer:");
    Text2 = entry("Text2", "-123.45678");
    Text2->setReadOnly(true);
    Label4 = label("Label4", "Note: dBm refered to 50 Ohm; Volt = Peak - Peak Voltage");
    Command1 = named(new QPushButton("Perform Conversion"), "Command1");
    Command1->setDefault(true);
    Command3 = named(new QPushButton("Cancel"), "Command3");
    Command3->setAutoDefault(false);
    Frame2 = frame("Frame2", "Useful Links:");
    Text3 = named(new QLineEdit("https://en.wikipedia.org/wiki/DBm"), "Text3");
    Text3->setReadOnly(true);
    Text3->setMinimumWidth(Text3->fontMetrics().horizontalAdvance(Text3->text() + "0000"));
    (new QVBoxLayout(Frame2))->addWidget(Text3);

    auto* grid = new QGridLayout(Frame1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 1, 0, Qt::AlignTop);
    grid->addWidget(Label3, 0, 1);
    grid->addWidget(options_column, 1, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(Text2, 1, 2, Qt::AlignTop);
    grid->addWidget(Label4, 2, 0, 1, 3);
    grid->addWidget(Command1, 3, 0);
    grid->addWidget(Command3, 3, 2, Qt::AlignRight);
    grid->setHorizontalSpacing(grid->horizontalSpacing() * 3);

    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    outer->addWidget(Frame1);
    outer->addWidget(Frame2);

    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    set_tab_order({Text1, Option1, Option2, Option3, Option4, Text2, Command1, Command3, Text3});

    connect(Command1, &QPushButton::clicked, this, &conversionform::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &conversionform::Command3_Click);
    Form_Load();
}

void conversionform::Form_Load() { Option1->setChecked(true); }

void conversionform::Command1_Click() {
    const std::pair<QRadioButton*, Conversion> choices[] = {
        {Option1, Conversion::DbmToVolt},
        {Option2, Conversion::VoltToDbm},
        {Option3, Conversion::DbToVolt},
        {Option4, Conversion::VoltToDb},
    };
    const std::optional<double> x = parse_entry(Text1);
    std::optional<std::string> answer = std::string();  // no conversion chosen: an empty answer
    if (x) {
        for (const auto& [option, conversion] : choices)
            if (option->isChecked()) {
                answer = convert(conversion, *x);
                break;
            }
    }
    if (!x || !answer) {
        main_.prompts().message(MessageIcon::Exclamation, kAppTitle, "Invalid entry. This must be a number", {}, true);
        Text1->clear();
        Text1->setFocus();
        return;
    }
    Text2->setText(QString::fromStdString(*answer));
}

void conversionform::Command3_Click() { reject(); }
