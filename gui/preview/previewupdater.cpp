#include "gui/preview/previewupdater.h"

using namespace torvane;

PreviewUpdater::PreviewUpdater(QObject *parent) : QObject(parent) {}

void PreviewUpdater::request(PreviewRequest request)
{
    runner.request([this, request = std::move(request)](const std::atomic_bool &) {
        torvane::DesignJob job(request.technology, request.parameters, request.lengthUnit);
        auto review = std::make_shared<const DesignReview>(job.review());
        // Shown even when a newer request waits: while typing goes on, the picture keeps up.
        return [this, review](bool current) {
            emit reviewed(review, current);
        };
    });
}
