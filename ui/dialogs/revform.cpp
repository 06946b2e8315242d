#include "ui/dialogs/revform.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_parts.h"
#include "ui/main/logo.h"
#include "ui/main/main_window.h"

using namespace dialog_parts;

revform::revform(Main& main) : QDialog(&main) {
    setObjectName("revform");
    setWindowTitle("Help / Information");
    setPalette(main.palette());

    Label1 = label("Label1", "Evaluation software for the KSY7100-X family of PLL frequency synthesizers "
                             "with on-chip VCO: it programs the evaluation board over the parallel port.");
    Label2 = label("Label2", "Written by the evaluation tool's development team, for engineers at the bench.");
    REV = label("REV", "REV 2.0");
    QFont big = REV->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    REV->setFont(big);
    Image1 = label("Image1", {});
    Image1->setPixmap(make_logo(REV->fontMetrics().height() * 3, devicePixelRatioF()));
    for (QLabel* l : {Label1, Label2}) l->setWordWrap(true);

    // A caption's '&' would mark an access key: doubled, it shows as itself.
    auto note = [](const char* name, const char* text) {
        auto* option = named(new QRadioButton(QString(text).replace('&', "&&")), name);
        option->setAutoExclusive(true);
        return option;
    };
    Option2 = note("Option2", "This rev has the Locktime feature, which makes the synth hop between two chosen frequencies.");
    Option3 = note("Option3", "This rev allows the user to save the settings, and recall the setup when next using the software.");
    Option4 = note("Option4", "This rev allows the user to print the main form. (Not sure how relevant this is, but you never know)");
    Option1 = note("Option1", "This rev allows the software to be used with Windows NT, 95, 98 & 2000 & XP. ");
    Option7 = note("Option7", "This Rev has the sweep feature. Try it out, you'll love it.");
    Option8 = note("Option8", "There is a conversion tool from dB's to Volts");

    Command1 = named(new QPushButton("OK"), "Command1");
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &revform::Command1_Click);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(REV, 0, 2, Qt::AlignTop | Qt::AlignRight);
    auto* notes = new QVBoxLayout;
    for (QRadioButton* o : {Option2, Option3, Option4, Option1, Option7, Option8}) notes->addWidget(o);
    grid->addLayout(notes, 2, 0, 1, 3);
    grid->addWidget(Command1, 3, 2, Qt::AlignRight);
    // The description wraps at the width of the feature notes.
    Label1->setMinimumWidth(Label1->fontMetrics().horizontalAdvance(Option4->text()) * 2 / 3);
}

void revform::Command1_Click() { accept(); }
