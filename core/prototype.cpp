#include "core/prototype.h"

namespace quillory {

QString& templateText(Prototype& proto, TemplateKey key)
{
    switch (key) {
    case TemplateKey::Head:
        return proto.head;
    case TemplateKey::Separator:
        return proto.separator;
    case TemplateKey::Foot:
        return proto.foot;
    case TemplateKey::Text:
        break;
    }
    return proto.text;
}

const QString& templateText(const Prototype& proto, TemplateKey key)
{
    return templateText(const_cast<Prototype&>(proto), key);
}

} // namespace quillory
