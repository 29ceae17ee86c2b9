// individual_list_model.cpp - the individuals of the open document as rows of one "Name" column.
#include "individual_list_model.h"

#include <QStringDecoder>

#include <algorithm>  // std::all_of

#include "toolbar_icons.h"
#include "ui_texts.h"

QString TextFromBytes(std::string_view bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

BytesReadAs HowTextFromBytesReads(std::string_view bytes) {
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return BytesReadAs::Ascii;
  // The same test as TextFromBytes's decoder, without building the text: the list asks this
  // of every name of a file.
  return QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8() ? BytesReadAs::Utf8
                                                                           : BytesReadAs::Latin1;
}

IndividualListModel::IndividualListModel(QObject* parent)
    : QAbstractListModel(parent), selectedIcon(SelectedArrowIcon()), emptyIcon(EmptyRowIcon()) {}

void IndividualListModel::Clear() {
  beginResetModel();
  rows.clear();
  endResetModel();
}

void IndividualListModel::Fill(kinprune::CKinpruneDoc& document,
                               const std::function<void(int)>& progress) {
  beginResetModel();
  rows.clear();
  const std::size_t total = document.individualsByName.size();
  rows.reserve(total);
  int lastPercent = -1;
  std::size_t utf8Names = 0;
  std::size_t latin1Names = 0;
  for (auto& [name, entry] : document.individualsByName) {
    switch (HowTextFromBytesReads(entry.name)) {
      case BytesReadAs::Utf8:
        ++utf8Names;
        break;
      case BytesReadAs::Latin1:
        ++latin1Names;
        break;
      case BytesReadAs::Ascii:
        break;
    }
    const int row = int(rows.size());
    const int percent = int(std::uint64_t(row) * 100 / total);
    if (percent != lastPercent) {
      lastPercent = percent;
      if (progress) progress(percent);
    }
    entry.listRow = row;
    rows.push_back(&entry);
  }
  namesMostlyLatin1 = latin1Names > utf8Names;
  endResetModel();
}

kinprune::IndividualEntry* IndividualListModel::EntryAt(int row) const {
  if (row < 0 || row >= int(rows.size())) return nullptr;
  return rows[std::size_t(row)];
}

QByteArray IndividualListModel::NameBytes(const QString& text) const {
  const bool fitsLatin1 =
      std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
  return namesMostlyLatin1 && fitsLatin1 ? text.toLatin1() : text.toUtf8();
}

void IndividualListModel::RefreshAllFlags() {
  if (rows.empty()) return;
  emit dataChanged(index(0), index(int(rows.size()) - 1), {Qt::DecorationRole});
}

void IndividualListModel::RefreshFlag(int row) {
  if (EntryAt(row) == nullptr) return;
  emit dataChanged(index(row), index(row), {Qt::DecorationRole});
}

int IndividualListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows.size());
}

QVariant IndividualListModel::data(const QModelIndex& index, int role) const {
  const kinprune::IndividualEntry* entry = index.isValid() ? EntryAt(index.row()) : nullptr;
  if (entry == nullptr) return {};
  if (role == Qt::DisplayRole) return TextFromBytes(entry->name);
  if (role == Qt::DecorationRole) return entry->selected ? selectedIcon : emptyIcon;
  return {};
}

QVariant IndividualListModel::headerData(int section, Qt::Orientation orientation,
                                         int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
    return UiText::NameColumn();
  }
  return {};
}
