/* Resource numbers shared by resources.rc and the C++ code. Plain preprocessor only: the
   resource compiler reads this file too. */
#ifndef QO_RESOURCE_IDS_H
#define QO_RESOURCE_IDS_H

/* Icon group shown by the shell for the program file; images 30001..30004. */
#define IDI_APPLICATION_ICON 1

/* The main window's design-time icon (one 32x32 image, 30101); start-up replaces it. */
#define IDI_FORM1_DESIGN_ICON 2

#endif /* QO_RESOURCE_IDS_H */
