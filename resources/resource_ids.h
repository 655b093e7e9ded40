// Resource identifiers shared by Lumivex.rc and the Windows window code.
#ifndef LUMIVEX_RESOURCES_RESOURCE_IDS_H
#define LUMIVEX_RESOURCES_RESOURCE_IDS_H

#define IDI_APP 104      // application icon: class icon and the large picture in the client area
#define IDI_REPLACE 105  // replace button
#define IDI_DELETE 106   // delete button
#define IDI_SAVE 107     // save button

#endif  // LUMIVEX_RESOURCES_RESOURCE_IDS_H
