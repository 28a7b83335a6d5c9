#include "physics/link.h"

#include "physics/atom.h"
#include "physics/world_host.h"

void Link::triangleAttached(Triangle*) {
    triangleCount += 1;
    visible = false;
}

void Link::triangleDetached(Triangle*) {
    triangleCount -= 1;
    if (triangleCount == 0) visible = true;
}

void destroyLink(Link* link) {
    link->dying = true;
    link->atomA->linkDetached(link);
    link->atomB->linkDetached(link);
    link->owner->removeLink(link);
    delete link;
}
