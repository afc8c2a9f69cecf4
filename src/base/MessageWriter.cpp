#include "base/MessageWriter.h"

void MessageWriter::putString(std::string_view text)
{
    put(static_cast<std::uint32_t>(text.size()));
    bytes.append(text.data(), text.size());
}
