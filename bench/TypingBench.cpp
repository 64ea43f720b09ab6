// A key press in the description box with spell checking on: the time from
// the key to the end of the repaint, with a caption of 2,000 characters in
// one paragraph (the paragraph a key press checks again), a tenth of its
// words misspelt. Uses the system dictionary of the language given.
//   typing_bench [language=en_US] [keys=200]
#include "BenchTimer.h"
#include "widgets/CaptionEdit.h"
#include "widgets/SpellCheck.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>

using namespace lumicap;
using namespace lumicap::bench;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString language = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("en_US");
    const int keys = argc > 2 ? std::atoi(argv[2]) : 200;
    CaptionEdit edit;
    edit.resize(500, 120);
    auto *spell = new SpellCheck(edit.document());
    if (!spell->setLanguage(language)) {
        std::fprintf(stderr, "no dictionary for %s\n", qPrintable(language));
        return 1;
    }
    const QStringList words{"harbour", "fishing", "boats", "morning", "light", "across", "water", "wharf", "gulls", "nets", "tide", "quay"};
    QString caption;
    for (int i = 0; caption.size() < 2000; ++i)
        caption += (i % 10 == 9 ? QStringLiteral("harbuor") : words.at(i % words.size())) + ' ';
    edit.setPlainText(caption.left(2000));
    edit.show();
    (void)QTest::qWaitForWindowExposed(&edit);
    edit.moveCursor(QTextCursor::End);
    int n = 0;
    const double ms = medianMs(keys, [&] {
        QTest::keyClick(&edit, (n++ % 6 == 5) ? Qt::Key_Space : Qt::Key_E);
        edit.repaint();
    });
    std::printf("key press in a 2,000-character caption (%s): median %.2f ms over %d keys\n", qPrintable(language), ms, keys);
    return 0;
}
