// individual_list_model.h - the individuals of the open document as rows of one "Name" column.
#pragma once

#include <QAbstractListModel>
#include <QIcon>

#include <functional>  // std::function
#include <vector>      // std::vector

#include "kinprune_doc.h"

/// Rows point at the document's entries in display-name order; texts and icons are made when
/// the view asks, so a million rows cost one pointer each and a changed flag shows on repaint.
class IndividualListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit IndividualListModel(QObject* parent = nullptr);

  /// Rebuilds the rows from the document's table and gives each entry its listRow. progress is
  /// told each whole percentage once, as the rows are filled.
  void Fill(kinprune::CKinpruneDoc& document, const std::function<void(int)>& progress);

  /// Drops every row, so that nothing points into the document's tables while a load
  /// replaces them (the status bar repaints the list during the load).
  void Clear();

  kinprune::IndividualEntry* EntryAt(int row) const;
  /// The bytes that text stands for among the names: Latin-1 when the names that are not plain
  /// ASCII are mostly shown as Latin-1 (and text can be written so), UTF-8 otherwise. A search
  /// typed into the window thus meets the names as they are stored.
  QByteArray NameBytes(const QString& text) const;
  /// Shows the current selected flags of every row.
  void RefreshAllFlags();
  void RefreshFlag(int row);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<kinprune::IndividualEntry*> rows;
  bool namesMostlyLatin1 = false;
  QIcon selectedIcon;
  QIcon emptyIcon;
};

/// Text from bytes of unknown encoding: UTF-8 when they are valid UTF-8, Latin-1 otherwise, so
/// that no byte of a name becomes a replacement character.
QString TextFromBytes(std::string_view bytes);

/// How TextFromBytes reads bytes: plain ASCII, valid UTF-8 beyond ASCII, or Latin-1.
enum class BytesReadAs { Ascii, Utf8, Latin1 };
BytesReadAs HowTextFromBytesReads(std::string_view bytes);
