/* Identifiers shared by the resource script and the program. */
#ifndef QEL_RESOURCE_H
#define QEL_RESOURCE_H

#define IDD_QEL         100
#define IDD_ABOUT       101

#define ID_DECIMALE     101
#define ID_ESADECIMALE  102
#define ID_OTTALE       103
#define ID_ABOUT        104

#define ID_ABOUT_GROUP  101

#endif
