// Compares the windows as window_shots drew them with the reference pictures beside this file,
// pixel by pixel: a colour, a segment, a size or a control out of place shows as a difference.
//   compare_pictures SHOTS REFERENCES
// After a change meant to alter a window, look at the new shot and take it as the reference with
// KSY_UPDATE_PICTURES=1.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: compare_pictures SHOTS REFERENCES\n"), 2;
    const QDir shots(argv[1]), references(argv[2]);
    const bool update = qEnvironmentVariableIsSet("KSY_UPDATE_PICTURES");
    QSet<QString> names;
    for (const QDir& dir : {shots, references})
        for (const QString& name : dir.entryList({"*.png"}, QDir::Files)) names.insert(name);
    int failures = 0;
    for (const QString& name : names) {
        const QString shot = shots.filePath(name), reference = references.filePath(name);
        if (update) {
            QFile::remove(reference);
            if (QFile::exists(shot) && !QFile::copy(shot, reference)) ++failures;
            continue;
        }
        const QImage a(shot), b(reference);
        QString fault;
        if (a.isNull() || b.isNull())
            fault = a.isNull() ? "no longer drawn" : "has no reference picture";
        else if (a.size() != b.size())
            fault = QString("is %1x%2, the reference %3x%4").arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height());
        else {
            const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
            int differing = 0;
            for (int row = 0; row < x.height(); ++row)
                for (int col = 0; col < x.width(); ++col) differing += x.pixel(col, row) != y.pixel(col, row);
            if (differing) fault = QString("differs from its reference in %1 pixels").arg(differing);
        }
        if (fault.isEmpty()) continue;
        ++failures;
        std::fprintf(stderr, "%s %s (shot: %s)\n", qPrintable(name), qPrintable(fault), qPrintable(shot));
    }
    if (names.isEmpty()) return std::fprintf(stderr, "no pictures to compare\n"), 1;
    return failures ? 1 : 0;
}
