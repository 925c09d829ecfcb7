#include "EmbeddedArchives.h"

#include "Product.h"

#include <PayloadData.h>

ArchiveData embeddedArchive (int formatIndex)
{
    jassert (Product::isFormatIndex (formatIndex));

    switch (formatIndex)
    {
        case 0:
            return { PayloadData::vst3_zip, (size_t) PayloadData::vst3_zipSize, true };
        case 1:
            return { PayloadData::clap_zip, (size_t) PayloadData::clap_zipSize, true };
        case 2:
            return { PayloadData::aax_zip, (size_t) PayloadData::aax_zipSize, true };
        default:
            return {};
    }
}
