#include "stagedlinkcheck.h"

#include "linkresolver.h"
#include "nofollow.h"
#include "stagingwriter.h"

namespace {

LinkResolver::Item itemFor(NoFollow::Kind kind, const QByteArray &target)
{
    switch (kind) {
    case NoFollow::Kind::Missing:
        return {};
    case NoFollow::Kind::Folder:
        return {LinkResolver::Kind::Folder, {}};
    case NoFollow::Kind::Link:
        return {LinkResolver::Kind::Link, target};
    case NoFollow::Kind::Other:
        return {LinkResolver::Kind::Other, {}};
    }
    return {};
}

} // namespace

StagedLinkCheck::StagedLinkCheck(int stagedRoot, int destinationRoot, const QByteArray &privateName,
                                 const StagingWriter *pending)
    : stagedRoot(stagedRoot), destinationRoot(destinationRoot), privateName(privateName), pending(pending)
{
}

bool StagedLinkCheck::staysInside(const QList<QByteArray> &linkFolder, const QByteArray &target) const
{
    LinkResolver resolver([this](const QList<QByteArray> &path) {
        QList<LinkResolver::Item> items;
        QByteArray linkTarget;
        if (pending && pending->pendingLink(path.join('/'), &linkTarget))
            items.append({LinkResolver::Kind::Link, linkTarget});
        else
            items.append(itemFor(NoFollow::lookup(stagedRoot, path, &linkTarget), linkTarget));
        if (path.first() != privateName)
            items.append(itemFor(NoFollow::lookup(destinationRoot, path, &linkTarget), linkTarget));
        return items;
    });
    return resolver.staysInside(linkFolder, target);
}
