#pragma once

#include <QString>

namespace data {
class DataStore;
}

// Product rules that the product editor keeps: IDs are stored trimmed and upper-cased and are
// unique; deleting a product deletes its purchases.
namespace masters {

// `text` as a product ID: trimmed and upper-cased.
QString ProductIdOf(const QString &text);

// Whether another product holds exactly `id` (already in ProductIdOf form). Prod5 must be
// open; its tag Prod is selected and its position moves.
bool ProductIdTaken(data::DataStore &store, const QString &id);

// Marks deleted every purchase of exactly `id` (not those of an ID that merely starts with
// it). Uses Pur5 as it is open, or opens and closes it. Returns how many were marked.
int DeleteProductPurchases(data::DataStore &store, const QString &id);

} // namespace masters
