// Writes the menu icons of the desktop entry, PNG in the usual sizes, from the same
// drawing as the window icon: make-icons OUTDIR (OUTDIR/NxN/apps/<id>.png).
#include "AppIcon.h"

#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: make-icons OUTDIR ICON-NAME\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]) + QStringLiteral(".png");
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
    {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!out.mkpath(folder) || !ApplicationIconImage(size).save(out.filePath(folder + u'/' + name)))
        {
            std::fprintf(stderr, "make-icons: cannot write %s\n", qPrintable(out.filePath(folder + u'/' + name)));
            return 1;
        }
    }
    return 0;
}
