#include "sections/RecordPage.h"

#include "link/ParameterDocumentHolder.h"

namespace kov {

NodeRef PageDocumentRoot(const ParameterDocumentHolder* pHolder, bool bStore)
{
    return pHolder ? pHolder->Document(bStore) : NodeRef();
}

} // namespace kov
