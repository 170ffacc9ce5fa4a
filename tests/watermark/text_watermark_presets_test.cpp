#include <gtest/gtest.h>

#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

#include "engine/tokens/text_token_archive.h"
#include "platform/store/bundle_resources.h"
#include "platform/store/localization.h"
#include "platform/store/preferences.h"
#include "watermark/watermark_preset_table.h"
#include "watermark/watermark_presets.h"
#include "watermark/watermark_view.h"
#include "watermark_fixtures.h"

namespace glimbrik {
namespace {

// A preset file of the given titles, indexed in that order unless indexes are given.
void WritePresets(const QStringList& titles, const QList<qint64>& indexes = {}) {
  QVariantMap file;
  for (int i = 0; i < titles.size(); ++i) {
    QVariantMap preset = test::CompletePreset(titles[i], 20 + i);
    preset.insert(kWaterMarkPresetIndexKey, indexes.value(i, i));
    preset.insert(kDirtyFlagKey, false);
    file.insert(titles[i], preset);
  }
  ASSERT_TRUE(WriteTextWatermarkPresetFile(file));
}

QVariantMap StoredFile() {
  QVariantMap file;
  EXPECT_TRUE(ReadTextWatermarkPresetFile(&file));
  return file;
}

// A stored preset's value.
QVariant Stored(const QString& title, const char* key) {
  return StoredFile().value(title).toMap().value(key);
}

// An editor with its preset table loaded from the preset file, whose questions are answered
// from a list.
struct PresetEditor : test::PreviewEditor {
  explicit PresetEditor(const QStringList& titles = {}, const QList<qint64>& indexes = {})
      : PreviewEditor(400, 300, 1.0, true) {
    if (!titles.isEmpty()) WritePresets(titles, indexes);
    view->host.showCustomAlert = [this](const QString& title, const QString&, const QString&,
                                        const QString&, const QString&) -> qint64 {
      questions << title;
      return answers.isEmpty() ? 1 : answers.takeFirst();
    };
    view->ResetTextWatermarkPresetsFromDatabase();
  }
  // The table's editor may still ask its questions while it closes.
  ~PresetEditor() { table.reset(); }
  QStringList Titles() const {
    QStringList titles;
    for (const WatermarkPresetRow& row : view->model().waterMarkPresetArray()) titles << row.title;
    return titles;
  }

  QList<qint64> answers;
  QStringList questions;
};

TEST(TextWatermarkPresets, FirstStartListsTheShippedPresetsInIndexOrderAndWritesThem) {
  QFile::remove(PreferenceFilePath(kTextWatermarkPresetsFile));
  PresetEditor editor;
  const QVariantMap shipped = ReadBundlePlist(kFirstRunTextWatermarkPresets).value.toMap();
  ASSERT_GE(shipped.size(), 2);
  QStringList expected = shipped.keys();
  std::sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
    return shipped.value(a).toMap().value(kWaterMarkPresetIndexKey).toLongLong() <
           shipped.value(b).toMap().value(kWaterMarkPresetIndexKey).toLongLong();
  });
  EXPECT_EQ(editor.Titles(), expected);
  for (const WatermarkPresetRow& row : editor.view->model().waterMarkPresetArray())
    EXPECT_FALSE(row.state) << row.title.toStdString();
  EXPECT_EQ(editor.view->waterMarkTableOutlet()->model()->rowCount(), expected.size());
  EXPECT_EQ(StoredFile(), shipped);
  // Every shipped preset is complete: ticked, each gives an output record.
  for (int row = 0; row < expected.size(); ++row) editor.view->model().setPresetRowState(row, true);
  EXPECT_EQ(editor.view->GetSelectedTextWatermarkOptions().count, size_t(expected.size()));
  // A stored file is listed by its indexes too, whatever the titles.
  EXPECT_EQ(PresetEditor({"a", "b", "c"}, {2, 0, 1}).Titles(), (QStringList{"b", "c", "a"}));
}

// Edits mark the selected rows until saved or reverted; a removal renumbers the rest by their
// order, whatever the gaps, and keeps their unsaved edits.
TEST(TextWatermarkPresets, EditsStayUnsavedUntilSavedRevertedOrAnotherPresetIsRemoved) {
  PresetEditor editor({"a", "b", "c"}, {0, 4, 7});
  editor.view->SelectRowStartingAtRow(0);
  QTableView* table = editor.view->waterMarkTableOutlet();
  table->selectionModel()->select(table->model()->index(1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ASSERT_EQ(editor.view->model().presetTableSelectedRows(), (std::vector<int64_t>{0, 1}));
  EXPECT_FALSE(editor.view->savePresetButton()->isEnabled());

  editor.view->setFontSize(77);
  EXPECT_EQ(editor.Shown(0), QStringLiteral("\u2726a"));
  EXPECT_EQ(editor.Shown(1), QStringLiteral("\u2726b"));
  EXPECT_TRUE(editor.view->savePresetButton()->isEnabled());
  EXPECT_EQ(Stored("a", kTextFontSizeKey).toLongLong(), 20);

  editor.view->SaveSelectedRow();
  const QVariantMap file = StoredFile();
  for (const char* title : {"a", "b"}) {
    EXPECT_EQ(file.value(title).toMap().value(kTextFontSizeKey).toLongLong(), 77) << title;
    EXPECT_FALSE(file.value(title).toMap().value(kDirtyFlagKey).toBool()) << title;
    EXPECT_FALSE(editor.view->model().isPresetDirty(title)) << title;
  }
  EXPECT_EQ(editor.Shown(0), "a");
  EXPECT_FALSE(editor.view->savePresetButton()->isEnabled());

  // Ticking leaves a preset clean; a revert brings back its saved form.
  editor.view->setPresetRowTicked(2, true);
  EXPECT_TRUE(editor.view->model().presetRow(2)->state);
  EXPECT_FALSE(editor.view->model().isPresetDirty("c"));
  editor.view->SelectRowStartingAtRow(2);
  editor.view->setTextPositionValue(2);
  const QVariantMap edited = *editor.view->model().presetNamed("c");
  EXPECT_EQ(edited.value(kTextWatermarkOffsetKey).toString(), "{0, 0}");
  EXPECT_EQ(edited.value(kTextPositionKey).toLongLong(), 2);
  std::optional<TextWatermarkValues> shown;  // what the panel's controls were given
  editor.view->controls.assignTextValues = [&](const TextWatermarkValues& v) { shown = v; };
  editor.view->RevertSelectedRow();
  EXPECT_FALSE(editor.view->model().isPresetDirty("c"));
  EXPECT_EQ(editor.view->model().textPosition(), 6);
  EXPECT_EQ(editor.view->model().textFontSize(), 22);
  ASSERT_TRUE(shown.has_value()) << "the controls show the saved form too";
  EXPECT_EQ(shown->textPosition, 6);
  EXPECT_EQ(shown->textFontSize, 22);
  editor.view->controls.assignTextValues = nullptr;

  for (int row : {0, 2}) {
    editor.view->SelectRowStartingAtRow(row);
    editor.view->setFontSize(100 + row);
  }
  editor.view->SelectRowStartingAtRow(1);
  editor.answers << 1;  // Delete
  editor.view->removeCellAtSelectedRow();
  EXPECT_EQ(editor.Titles(), (QStringList{"a", "c"}));
  ASSERT_EQ(editor.questions.size(), 1);
  EXPECT_TRUE(editor.questions[0].contains("b"));
  const QVariantMap after = StoredFile();
  EXPECT_FALSE(after.contains("b"));
  EXPECT_FALSE(editor.view->model().presetNamed("b"));
  for (const auto& [title, index] : {std::pair{"a", 0}, {"c", 1}}) {
    const QVariantMap working = *editor.view->model().presetNamed(title);
    EXPECT_EQ(after.value(title).toMap().value(kWaterMarkPresetIndexKey), index) << title;
    EXPECT_EQ(working.value(kWaterMarkPresetIndexKey), index) << title;
    EXPECT_TRUE(working.value(kDirtyFlagKey).toBool()) << title;
    EXPECT_GE(working.value(kTextFontSizeKey).toLongLong(), 100) << title;
    EXPECT_LT(after.value(title).toMap().value(kTextFontSizeKey).toLongLong(), 100) << title;
  }
  EXPECT_EQ(editor.view->model().presetTableSelectedRow(), 1) << "the row that took its place";
}

// The editor open on a row's title cell, waited for a while; null if none opens.
QLineEdit* CellEditor(QTableView* table, int row) {
  QLineEdit* line = nullptr;
  (void)QTest::qWaitFor(
      [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        line = qobject_cast<QLineEdit*>(
            table->indexWidget(table->model()->index(row, kPresetTitleColumn)));
        return line && line->isVisible();
      },
      2000);
  return line;
}

// The title typed into the table's cell, ended with Return.
void TypeTitle(PresetEditor& editor, int row, const QString& text) {
  QTableView* table = editor.view->waterMarkTableOutlet();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  table->edit(table->model()->index(row, kPresetTitleColumn));
  QLineEdit* line = CellEditor(table, row);
  ASSERT_NE(line, nullptr);
  line->setText(text);
  QTest::keyClick(line, Qt::Key_Return);
  QCoreApplication::processEvents();
}

TEST(TextWatermarkPresets, TitleTypedInTheTableRenamesOrStaysInEditing) {
  PresetEditor editor({"a", "b"});
  editor.preview.show();
  editor.table->show();
  editor.view->SelectRowStartingAtRow(1);
  editor.view->setFontSize(44);
  // Only another preset's title asks, marked or not; a case apart is another title.
  editor.answers << 0;
  EXPECT_FALSE(editor.view->controlTextShouldEndEditing(1, QStringLiteral("\u2726a")));
  EXPECT_TRUE(editor.view->controlTextShouldEndEditing(1, QStringLiteral("\u2726b")));
  EXPECT_TRUE(editor.view->controlTextShouldEndEditing(1, QStringLiteral("A")));
  EXPECT_EQ(editor.questions.size(), 1);
  TypeTitle(editor, 1, QStringLiteral("\u2726renamed"));
  EXPECT_EQ(editor.Titles(), (QStringList{"a", "renamed"}));
  EXPECT_FALSE(StoredFile().contains("b"));
  EXPECT_EQ(Stored("renamed", kTextFontSizeKey).toLongLong(), 44);
  EXPECT_EQ(editor.Shown(1), "renamed");

  // An empty title is refused: the cell opens again.
  TypeTitle(editor, 1, QString());
  QTableView* table = editor.view->waterMarkTableOutlet();
  EXPECT_NE(CellEditor(table, 1), nullptr);
  EXPECT_EQ(editor.Titles(), (QStringList{"a", "renamed"}));
  ASSERT_FALSE(editor.questions.isEmpty());
  EXPECT_EQ(editor.questions.last(), LocalizedString("EmptyPresetAlertTitle"));
  // Another preset's title with Cancel: the cell opens again on what was typed.
  editor.answers << 0;
  TypeTitle(editor, 1, QStringLiteral("a"));
  QLineEdit* reopened = CellEditor(table, 1);
  EXPECT_EQ(reopened ? reopened->text() : QString(), "a");
  EXPECT_EQ(editor.Titles(), (QStringList{"a", "renamed"}));
  // With Replace the edited row takes the title, with its unsaved edits, and the other goes.
  editor.view->setFontSize(45);
  editor.answers << 1;
  TypeTitle(editor, 1, QStringLiteral("a"));
  EXPECT_EQ(editor.Titles(), (QStringList{"a"}));
  EXPECT_EQ(StoredFile().keys(), (QStringList{"a"}));
  EXPECT_EQ(Stored("a", kTextFontSizeKey).toLongLong(), 45);
  EXPECT_FALSE(editor.view->model().isPresetDirty("a"));
  EXPECT_EQ(editor.view->model().presetTableSelectedRow(), 0);
}

// A new preset is named after the text, never twice, and takes the edits; the selected preset
// returns to its saved form, and an unreadable file costs no other preset.
TEST(TextWatermarkPresets, AddingTakesTheEditsAndTheSelectedPresetReturnsToItsSavedForm) {
  PresetEditor editor({"a", "b"});
  const TokenArray text = {QVXWatermarkTextToken(QStringLiteral("File Name"), 9),
                           QStringLiteral(" 2024")};
  editor.view->controls.textFieldTokens = [&] { return text; };
  editor.view->SelectRowStartingAtRow(1);
  editor.view->setFontSize(66);
  editor.view->addToEndOfTable();
  EXPECT_EQ(Stored("<File Name> 2024", kTextFontSizeKey).toLongLong(), 66);
  EXPECT_EQ(editor.view->model().presetNamed("b")->value(kTextFontSizeKey).toLongLong(), 21);
  EXPECT_FALSE(editor.view->model().isPresetDirty("b"));
  editor.view->addToEndOfTable();
  EXPECT_EQ(editor.Titles(), (QStringList{"a", "b", "<File Name> 2024", "<File Name> 2024 New 1"}));
  EXPECT_EQ(Stored("<File Name> 2024 New 1", kWaterMarkPresetIndexKey), 3);
  EXPECT_EQ(editor.view->model().presetTableSelectedRow(), 3);
  editor.view->controls.textFieldTokens = [] { return TokenArray{}; };
  editor.view->addToEndOfTable();
  EXPECT_EQ(editor.Titles().size(), 4) << "an empty text adds nothing";

  editor.view->SelectRowStartingAtRow(1);
  editor.view->setFontSize(67);  // b has unsaved edits: its saved form is unknown
  {
    QFile damaged(PreferenceFilePath(kTextWatermarkPresetsFile));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("not a property list");
  }
  editor.view->AddPreset("new");
  EXPECT_EQ(StoredFile().keys(),
            (QStringList{"<File Name> 2024", "<File Name> 2024 New 1", "a", "new"}));
  EXPECT_EQ(editor.Titles().size(), 5);
}

}  // namespace
}  // namespace glimbrik
