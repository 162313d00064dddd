# The one place the product's version and company are set; every binary's
# version resource and the code's version macros come from here.
set(CW_VERSION_MAJOR 1)
set(CW_VERSION_MINOR 0)
set(CW_VERSION_BUILD 0)
set(CW_VERSION_REVISION 1)
set(CW_COMPANY "Harlowe Corporation")
set(CW_PRODUCT "Vistrel")
set(CW_VERSION "${CW_VERSION_MAJOR}.${CW_VERSION_MINOR}.${CW_VERSION_BUILD}.${CW_VERSION_REVISION}")
set(CW_VERSION_COMMAS "${CW_VERSION_MAJOR},${CW_VERSION_MINOR},${CW_VERSION_BUILD},${CW_VERSION_REVISION}")
