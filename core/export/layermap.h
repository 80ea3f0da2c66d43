#pragma once

#include "core/design/result.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace torvane {

// GDSII keeps layer and datatype in two bytes each; read as unsigned, as current layout tools
// do, they reach 65535.
inline constexpr int maxGdsLayerNumber = 65535;

struct GdsLayer
{
    int layer = 0;
    int datatype = 0;

    bool operator==(const GdsLayer &) const = default;
};

// Which GDSII layer each metal level and each via level pair goes to. Without an entry, metal
// level N goes to layer N and a via from level A to level B to layer 100 + min(A, B), both
// with datatype 0. Written as "spiral=134/0,L2=7/0,via:0-1=125/0": a level's own entry wins
// over the entry of its role.
class LayerMap
{
public:
    enum class Kind
    {
        Role,
        Level,
        Via
    };
    struct Entry
    {
        Kind kind = Kind::Level;
        QString role;    // Role entries
        int level = 0;   // Level entries, and the lower level of a via pair
        int toLevel = 0; // the upper level of a via pair
        GdsLayer target;

        QString key() const; // "spiral", "L2", "via:0-1"
        bool operator==(const Entry &) const = default;
    };

    // Empty text gives the defaults. A failure names the entry and what is wrong.
    static torvane::Result<LayerMap> parse(const QString &text);
    // One "key=layer/datatype" part of the text; a failure as above.
    static torvane::Result<Entry> parseEntry(const QString &part);
    QString toText() const;
    const QList<Entry> &entries() const { return list; }

    GdsLayer metalLayer(int level, const QString &role) const;
    GdsLayer viaLayer(int level, int toLevel) const;

    static GdsLayer defaultMetalLayer(int level) { return {level, 0}; }
    static GdsLayer defaultViaLayer(int level, int toLevel);

    bool operator==(const LayerMap &) const = default;

private:
    QList<Entry> list;
    QHash<QString, GdsLayer> byKey; // the entries' targets by key, so that no lookup walks the list
};

} // namespace torvane
