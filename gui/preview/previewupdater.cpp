#include "gui/preview/previewupdater.h"

PreviewUpdater::PreviewUpdater(QObject *parent) : QObject(parent) {}

void PreviewUpdater::request(PreviewRequest request)
{
    runner.request([this, request = std::move(request)](const std::atomic_bool &) {
        auto review = std::make_shared<const DesignReview>(reviewDesign(
            request.templateDocument ? &*request.templateDocument : nullptr, request.parameters,
            request.layerSetup, request.functionSetup, request.lengthUnit));
        // Shown even when a newer request waits: while typing goes on, the picture keeps up.
        return [this, review](bool) {
            emit reviewed(review);
        };
    });
}
