// ztl_helpgen SOURCE.md TARGET.rtf: turns the quick reference, kept in Markdown, into the
// rich-text file the quick-reference window reads. Runs at build time.
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>

#include "ui/rtf_writer.h"

int main(int argc, char** argv) {
    // Only fonts are needed, never a screen: a build machine has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: ztl_helpgen SOURCE.md TARGET.rtf\n");
        return 2;
    }
    QFile source(QFile::decodeName(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "ztl_helpgen: %s: %s\n", argv[1], qPrintable(source.errorString()));
        return 1;
    }
    QTextDocument doc;
    // The sizes are written out, so the result looks the same on every workstation.
    doc.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    doc.setMarkdown(QString::fromUtf8(source.readAll()));
    // Markdown gives headings no room of their own; a reader finds the sections by it.
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0) continue;
        QTextBlockFormat format = block.blockFormat();
        format.setTopMargin(12);
        format.setBottomMargin(4);
        QTextCursor(block).setBlockFormat(format);
    }

    QSaveFile target(QFile::decodeName(argv[2]));
    if (!target.open(QIODevice::WriteOnly) || target.write(ztl::rtf::fromDocument(doc)) < 0 ||
        !target.commit()) {
        std::fprintf(stderr, "ztl_helpgen: %s: %s\n", argv[2], qPrintable(target.errorString()));
        return 1;
    }
    return 0;
}
