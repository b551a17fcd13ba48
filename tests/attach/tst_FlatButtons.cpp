#include <QTest>

#include "attach/KMButton.h"
#include "attach/KMToolButton.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"

/// The flat buttons take their look from the host's style sheet, which finds them by object name.

class tst_FlatButtons : public QObject
{
    Q_OBJECT

private slots:

    void styledByObjectName_data()
    {
        QTest::addColumn<QString>(
            "objectName"); // "tool:" for a KMToolButton, empty for the default
        QTest::addColumn<QColor>("background");

        QTest::newRow("plain button") << QString() << QColor(Qt::green);
        QTest::newRow("page button")
            << QStringLiteral("PageNavigateWdt_pageIdxBtn") << QColor(Qt::yellow);
        QTest::newRow("unstyled name") << QStringLiteral("AnyOtherName") << QColor(Qt::white);
        QTest::newRow("viewer close button")
            << QStringLiteral("tool:PictureViewDlg_closeBtn") << QColor(Qt::magenta);
    }

    void styledByObjectName()
    {
        QFETCH(QString, objectName);
        QFETCH(QColor, background);

        QWidget host;
        host.setStyleSheet(
            QStringLiteral("QWidget { background: white; }"
                           "QPushButton#KMButton { background: #00ff00; }"
                           "QPushButton#PageNavigateWdt_pageIdxBtn { background: yellow; }"
                           "QToolButton#PictureViewDlg_closeBtn { background: magenta; }"));
        QWidget *button = objectName.startsWith("tool:")
            ? static_cast<QWidget *>(new KMToolButton(objectName.mid(5), &host))
            : objectName.isEmpty() ? new KMButton(&host)
                                   : new KMButton(objectName, &host);
        button->resize(60, 24);
        host.resize(100, 40);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        // Flat buttons draw nothing of their own: the style sheet's background must show.
        COMPARE_COLORS(button->grab().toImage().pixelColor(30, 12), background);
    }
};

DYNFEED_TEST_MAIN(tst_FlatButtons)
#include "tst_FlatButtons.moc"
