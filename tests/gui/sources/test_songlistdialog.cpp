#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "gui/sources/SongListDialog.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

class TestSongListDialog : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        preference::resetToInitial();
        auto prompts = std::make_unique<ScriptedPrompts>();
        m_prompts = prompts.get();
        m_previous = Prompts::install(std::move(prompts));
    }
    void cleanup()
    {
        delete m_dialog;
        Prompts::install(std::move(m_previous));
    }

    void modesShowTheirControls_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("open") << false;
        QTest::newRow("save") << true;
    }
    void modesShowTheirControls()
    {
        QFETCH(bool, save);
        makeFiles({"a.txt", "b.list"});
        open(save ? SongListDialog::Mode::Save : SongListDialog::Mode::Open, u"b.list"_s);
        SongListDialog &d = *m_dialog;
        QCOMPARE(d.size(), SongListDialog::kSize);
        QCOMPARE(d.windowTitle(), u"開く"_s);
        QCOMPARE(d.hint()->isVisible(), !save);
        QVERIFY(d.hint()->text().contains(u"Ctrl-クリック"_s));
        QCOMPARE(d.nameField()->isVisible(), save);
        QCOMPARE(d.cancelButton()->isVisible(), !save);
        QCOMPARE(d.replaceBox()->isVisible(), !save);
        QCOMPARE(d.list()->geometry(), QRect(12, 47, 333, save ? 224 : 200));
        QCOMPARE(d.confirmButton()->text(), save ? u"保存"_s : u"開く"_s);
        QCOMPARE(d.secondButton()->text(), save ? u"キャンセル"_s : u"全て"_s);
        QCOMPARE(d.confirmButton()->y(), save ? 283 : 261);
        QVERIFY(d.confirmButton()->isDefault());
        // The last list opened is preselected, and its name waits in the name field.
        QCOMPARE(d.selectedFiles(), QStringList{u"b.list"_s});
        QCOMPARE(d.nameField()->text(), u"b"_s);
        if (save)
            QTRY_VERIFY(d.nameField()->hasFocus());

        QVERIFY(QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR)));
        QVERIFY(d.grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR)
                              + (save ? u"/song-list-dialog-save.png"_s : u"/song-list-dialog-open.png"_s)));
    }

    void openLoadsTheSelectedListsInOrder_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("appending") << false;
        QTest::newRow("replacing") << true;
    }
    void openLoadsTheSelectedListsInOrder()
    {
        QFETCH(bool, replace);
        preference::listOpenReplaces = replace ? 1 : 0;
        makeFiles({"a.txt", "b.list", "c.txt"});
        open(SongListDialog::Mode::Open);
        QVERIFY(!m_dialog->confirmButton()->isEnabled());
        QCOMPARE(m_dialog->replaceBox()->isChecked(), replace);
        QSignalSpy opened(m_dialog, &SongListDialog::openRequested);
        QTreeWidget *list = m_dialog->list();
        list->topLevelItem(2)->setSelected(true);
        list->topLevelItem(0)->setSelected(true);
        QVERIFY(m_dialog->confirmButton()->isEnabled());
        QTest::mouseClick(m_dialog->confirmButton(), Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toStringList(), (QStringList{u"a.txt"_s, u"c.txt"_s}));
        QCOMPARE(opened[0][1].toBool(), replace);
        QTRY_VERIFY(!m_dialog);
    }

    void doubleClickOpensInOpenModeOnly()
    {
        makeFiles({"a.txt"});
        for (const auto mode : {SongListDialog::Mode::Open, SongListDialog::Mode::Save}) {
            open(mode);
            QSignalSpy opened(m_dialog, &SongListDialog::openRequested);
            QSignalSpy saved(m_dialog, &SongListDialog::saveRequested);
            QTreeWidgetItem *item = m_dialog->list()->topLevelItem(0);
            item->setSelected(true);
            emit m_dialog->list()->itemDoubleClicked(item, 0);
            QCOMPARE(opened.size(), mode == SongListDialog::Mode::Open ? 1 : 0);
            QCOMPARE(saved.size(), 0);
            delete m_dialog;
        }
    }

    void allAndCancel_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("openAll");
        QTest::newRow("全て with lists") << QStringList{u"a.txt"_s} << u"secondButton"_s << 1;
        QTest::newRow("全て in an empty folder only closes") << QStringList{} << u"secondButton"_s << 0;
        QTest::newRow("キャンセル") << QStringList{u"a.txt"_s} << u"cancelButton"_s << 0;
        QTest::newRow("開く with nothing selected only closes") << QStringList{u"a.txt"_s} << u"confirmButton"_s << 0;
    }
    void allAndCancel()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, button);
        QFETCH(int, openAll);
        for (const QString &f : files)
            QVERIFY(testsupport::writeFile(m_tmp->filePath(f), "x"));
        open(SongListDialog::Mode::Open);
        QSignalSpy all(m_dialog, &SongListDialog::openAllRequested);
        QSignalSpy opened(m_dialog, &SongListDialog::openRequested);
        QPushButton *b = m_dialog->findChild<QPushButton *>(button);
        QVERIFY(b);
        b->setEnabled(true); // "開く" is greyed without a selection; a forced press still only closes
        b->click();
        QCOMPARE(all.size(), openAll);
        QCOMPARE(opened.size(), 0);
        QTRY_VERIFY(!m_dialog);
    }

    void replaceBoxIsRemembered()
    {
        open(SongListDialog::Mode::Open);
        m_dialog->replaceBox()->setChecked(true);
        QCOMPARE(preference::listOpenReplaces, 1);
        m_dialog->replaceBox()->setChecked(false);
        QCOMPARE(preference::listOpenReplaces, 0);
    }

    void saving_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("answers"); // Prompts::Answer values, in order
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("saved");      // empty: saveRequested not emitted
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<bool>("mixTxtKept");
        QTest::addColumn<int>("beeps");
        const int ok = int(Prompts::Answer::Ok), cancel = int(Prompts::Answer::Cancel);
        QTest::newRow("a new name") << u"new"_s << QList<int>{} << QString() << u"new"_s << false << true << 0;
        QTest::newRow("over mix.txt, OK") << u"mix"_s << QList<int>{ok}
                                          << u"mix.txtは既に存在します。上書きしますか？"_s << u"mix"_s << false << false << 0;
        QTest::newRow("over mix.txt, Cancel") << u"mix"_s << QList<int>{cancel}
                                              << u"mix.txtは既に存在します。上書きしますか？"_s << QString() << true << true << 0;
        QTest::newRow("over mine.list, OK") << u"mine"_s << QList<int>{ok}
                                            << u"mine.listは既に存在します。上書きしますか？"_s << u"mine"_s << false << true << 0;
        QTest::newRow("over mine.list, Cancel") << u"mine"_s << QList<int>{cancel}
                                                << u"mine.listは既に存在します。上書きしますか？"_s << QString() << true << true << 0;
        QTest::newRow("a slash") << u"a/b"_s << QList<int>{} << QString() << QString() << true << true << 1;
        QTest::newRow("a backslash") << u"a\\b"_s << QList<int>{} << QString() << QString() << true << true << 1;
        QTest::newRow("a colon") << u"a:b"_s << QList<int>{} << QString() << QString() << true << true << 1;
    }
    void saving()
    {
        QFETCH(QString, name);
        QFETCH(QList<int>, answers);
        QFETCH(QString, question);
        QFETCH(QString, saved);
        QFETCH(bool, staysOpen);
        QFETCH(bool, mixTxtKept);
        QFETCH(int, beeps);
        makeFiles({"mix.txt", "mine.list"});
        for (int a : answers)
            m_prompts->answers << Prompts::Answer(a);
        open(SongListDialog::Mode::Save);
        QSignalSpy saves(m_dialog, &SongListDialog::saveRequested);
        m_dialog->nameField()->setText(name);
        QTest::mouseClick(m_dialog->confirmButton(), Qt::LeftButton);

        QCOMPARE(saves.size(), saved.isEmpty() ? 0 : 1);
        if (!saved.isEmpty())
            QCOMPARE(saves[0][0].toString(), saved);
        if (question.isEmpty()) {
            QVERIFY(m_prompts->texts().isEmpty());
        } else {
            QCOMPARE(m_prompts->texts(), QStringList{question});
            QCOMPARE(m_prompts->shown.first().icon, Prompts::Icon::Caution);
            QVERIFY(m_prompts->shown.first().cancelIsDefault);
        }
        QCOMPARE(m_prompts->beeps(), beeps);
        QCOMPARE(QFile::exists(m_tmp->filePath(u"mix.txt"_s)), mixTxtKept);
        QVERIFY(QFile::exists(m_tmp->filePath(u"mine.list"_s)));
        if (staysOpen) {
            QVERIFY(m_dialog && m_dialog->isVisible());
            QCOMPARE(m_dialog->nameField()->text(), name); // as typed
        } else {
            QTRY_VERIFY(!m_dialog);
        }
    }

    void saveWithEmptyNameOnlyCloses()
    {
        open(SongListDialog::Mode::Save);
        QSignalSpy saves(m_dialog, &SongListDialog::saveRequested);
        QVERIFY(!m_dialog->confirmButton()->isEnabled());
        m_dialog->nameField()->setText(u"x"_s);
        QVERIFY(m_dialog->confirmButton()->isEnabled());
        m_dialog->nameField()->clear();
        QVERIFY(!m_dialog->confirmButton()->isEnabled());
        emit m_dialog->confirmButton()->clicked();
        QCOMPARE(saves.size(), 0);
        QTRY_VERIFY(!m_dialog);
    }

    void selectingARowNamesTheSave()
    {
        makeFiles({"a.txt", "b.list"});
        open(SongListDialog::Mode::Save);
        m_dialog->list()->topLevelItem(1)->setSelected(true);
        QCOMPARE(m_dialog->nameField()->text(), u"b"_s);
    }

private:
    void makeFiles(std::initializer_list<const char *> names)
    {
        for (const char *n : names)
            QVERIFY(testsupport::writeFile(m_tmp->filePath(QString::fromUtf8(n)), "x"));
    }
    void open(SongListDialog::Mode mode, const QString &lastSelected = {})
    {
        m_dialog = new SongListDialog(mode, m_tmp->path(), lastSelected);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QPointer<SongListDialog> m_dialog;
    ScriptedPrompts *m_prompts = nullptr;
    std::unique_ptr<Prompts> m_previous;
};

QTEST_MAIN(TestSongListDialog)
#include "test_songlistdialog.moc"
