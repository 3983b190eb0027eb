#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

// Decides whether a symbolic link stays inside the extraction's root, resolving its exact target as
// the system would inside the final tree: "." and empty components skipped, ".." taken one level up,
// every component that is itself a link followed (links of the archive and links already in the
// destination alike). Absolute targets, targets holding a NUL and anything that climbs above the root
// are refused. A path the tree does not hold is walked as a folder, but ".." after such a component
// is refused: what appears there later (a link renamed by "keep both", say) decides where it leads.
// Not thread-safe; one resolver per check.
class LinkResolver
{
public:
    enum class Kind { Missing, Folder, Link, Other };
    struct Item {
        Kind kind = Kind::Missing;
        // For a link: its exact stored target.
        QByteArray target;
    };
    // Everything the path (components below the root; every shorter prefix a folder) may be once the
    // extraction is placed: the staged item, and the existing one where it differs (the user may keep
    // either). Empty or only Missing when neither exists.
    using Lookup = std::function<QList<Item>(const QList<QByteArray> &path)>;

    explicit LinkResolver(Lookup lookup) : lookup(std::move(lookup)) {}

    // True when a link in linkFolder (components below the root) with this target never leads out.
    bool staysInside(const QList<QByteArray> &linkFolder, const QByteArray &target);

private:
    bool resolve(QList<QByteArray> path, const QByteArray &target, int linksFollowed);

    Lookup lookup;
    // Components looked at, over every branch, before the check gives up and refuses.
    int budget = 0;
};
