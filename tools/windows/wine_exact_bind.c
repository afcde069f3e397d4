// Preloaded into the Wine server for the tests: makes a datagram socket
// bound to one loopback address other than 127.0.0.1 stay bound to it.
//
// Wine 8.0's server rebinds such a socket to every address of the machine
// when no interface owns the address (bind_to_interface in server/sock.c
// returns true when it finds none). The tests play several computers on
// 127.0.0.x with one port, as Windows itself allows; under Wine the second
// of them then finds the port taken. Listed here as addresses of an
// interface that does not exist, these addresses make the server give up
// its rebinding and bind them as asked. Real interfaces come first in the
// list, so their addresses keep Wine's behaviour.
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <stdlib.h>

enum { kFirst = 2, kLast = 254, kCount = kLast - kFirst + 1 };

struct Added {
  struct ifaddrs nodes[kCount];
  struct sockaddr_in addresses[kCount];
  struct ifaddrs* real;       // the system's list, which ours follows
  struct ifaddrs* real_last;  // its last entry, whose link to ours is undone
  struct Added* next;
};

// The server is one thread; it frees each list before it asks again.
static struct Added* lists;

int getifaddrs(struct ifaddrs** out) {
  static int (*real_getifaddrs)(struct ifaddrs**);
  if (!real_getifaddrs) real_getifaddrs = dlsym(RTLD_NEXT, "getifaddrs");
  struct ifaddrs* real = NULL;
  if (real_getifaddrs(&real) < 0) return -1;
  struct Added* added = calloc(1, sizeof *added);
  if (!added) {
    *out = real;
    return 0;
  }
  static char name[] = "kovra-none";
  for (int i = 0; i < kCount; ++i) {
    added->addresses[i].sin_family = AF_INET;
    added->addresses[i].sin_addr.s_addr = htonl(0x7f000000u | (unsigned)(kFirst + i));
    added->nodes[i].ifa_name = name;
    added->nodes[i].ifa_addr = (struct sockaddr*)&added->addresses[i];
    added->nodes[i].ifa_next = i + 1 < kCount ? &added->nodes[i + 1] : NULL;
  }
  added->real = real;
  if (real) {
    struct ifaddrs* last = real;
    while (last->ifa_next) last = last->ifa_next;
    last->ifa_next = added->nodes;
    added->real_last = last;
  }
  added->next = lists;
  lists = added;
  *out = real ? real : added->nodes;
  return 0;
}

void freeifaddrs(struct ifaddrs* list) {
  static void (*real_freeifaddrs)(struct ifaddrs*);
  if (!real_freeifaddrs) real_freeifaddrs = dlsym(RTLD_NEXT, "freeifaddrs");
  for (struct Added** at = &lists; *at; at = &(*at)->next) {
    struct Added* added = *at;
    if (list != (added->real ? added->real : added->nodes)) continue;
    *at = added->next;
    if (added->real_last) added->real_last->ifa_next = NULL;
    if (added->real) real_freeifaddrs(added->real);
    free(added);
    return;
  }
  if (list) real_freeifaddrs(list);
}
