/* The ids of setup.exe's resources that the program loads: shared by
   setup.rc and the code, so that each is written once. A plain header that
   windres's preprocessor reads as well as the compiler. */
#ifndef SETUP_RESOURCE_IDS_H
#define SETUP_RESOURCE_IDS_H

/* The icon Explorer shows for setup.exe: 32 and 16 px, 16 colours and 2.
   The lowest group id, so that it is the file's icon. */
#define IDI_EXPLORER_ICON 1
/* The screens' icon: 16 to 64 px, 32-bit colour. */
#define IDI_SCREEN_ICON 2

#endif
