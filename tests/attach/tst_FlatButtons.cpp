#include <QTest>

#include "attach/KMButton.h"
#include "attach/KMToolButton.h"

/// The flat buttons take their look from the host's style sheet, which finds them by object name.
class tst_FlatButtons : public QObject
{
    Q_OBJECT

private slots:
    void styledByObjectName_data();
    void styledByObjectName();
};

void tst_FlatButtons::styledByObjectName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QColor>("background");

    QTest::newRow("plain button") << "push"
                                  << "" << QColor(Qt::green);
    QTest::newRow("page button") << "push"
                                 << "PageNavigateWdt_pageIdxBtn" << QColor(Qt::yellow);
    QTest::newRow("unstyled name") << "push"
                                   << "AnyOtherName" << QColor(Qt::white);
    QTest::newRow("viewer close button") << "tool"
                                         << "PictureViewDlg_closeBtn" << QColor(Qt::magenta);
}

void tst_FlatButtons::styledByObjectName()
{
    QFETCH(QString, kind);
    QFETCH(QString, objectName);
    QFETCH(QColor, background);

    QWidget host;
    host.setStyleSheet(
        QStringLiteral("QWidget { background: white; }"
                       "QPushButton#KMButton { background: #00ff00; }"
                       "QPushButton#PageNavigateWdt_pageIdxBtn { background: yellow; }"
                       "QToolButton#PictureViewDlg_closeBtn { background: magenta; }"));
    QWidget *button = nullptr;
    if (kind == QLatin1String("tool"))
        button = new KMToolButton(objectName, &host);
    else if (objectName.isEmpty())
        button = new KMButton(&host);
    else
        button = new KMButton(objectName, &host);
    button->resize(60, 24);
    host.resize(100, 40);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    // The background must actually be painted: flat buttons draw nothing of their own.
    const QImage image = button->grab().toImage();
    QCOMPARE(QColor(image.pixel(image.width() / 2, image.height() / 2)), background);
}

QTEST_MAIN(tst_FlatButtons)
#include "tst_FlatButtons.moc"
