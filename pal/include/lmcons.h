// Length limits of the LAN Manager names, with their Windows values.
#pragma once

#define UNLEN 256  // longest user name, in characters, without the terminator
