#include "core/transfer/TransferSetup.h"

#include "core/library/LibraryBridge.h"
#include "core/prefs/Preferences.h"

using namespace Qt::StringLiterals;

namespace TransferSetup {

TransferOptions fromPreferences(TransferOptions::Mode mode, const FileItem &destination, const Overrides &overrides)
{
    TransferOptions options;
    options.mode = mode;
    options.destinationFolder = destination;
    options.clearFirst = mode != TransferOptions::Mode::Add;
    options.titleOrder = CardFormat::TitleOrder::fromPreferences();
    options.patchBitrate = preference::bitratePatchMode == 1;
    options.keepFreeMB = preference::keepFreeMB;
    options.compactEntriesUseLibraryInfo = preference::useLibraryInfo == 1;
    options.freeSpace = &bridgeFreeSpace;

    if (overrides.keepFreeMB)
        options.keepFreeMB = *overrides.keepFreeMB;
    if (overrides.titleOrder)
        options.titleOrder.order = *overrides.titleOrder;
    if (overrides.titleBytes) {
        options.titleOrder.nameBudget = (*overrides.titleBytes)[0];
        options.titleOrder.artistBudget = (*overrides.titleBytes)[1];
        options.titleOrder.albumBudget = (*overrides.titleBytes)[2];
    }
    if (overrides.patchBitrate)
        options.patchBitrate = *overrides.patchBitrate;
    return options;
}

QString bridgeFreeSpace(const QString &volumeName)
{
    return LibraryBridge::instance().call(u"volume-free"_s, {volumeName});
}

} // namespace TransferSetup
