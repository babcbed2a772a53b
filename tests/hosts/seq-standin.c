/* A stand-in for the ALSA sequencer, preloaded into Qtractor alone by the
 * host lane on machines without /dev/snd/seq (containers, CI): Qtractor will
 * not start its audio engine unless its MIDI engine opens a sequencer. Every
 * call that takes a sequencer handle is answered here, so the real library
 * never sees the fake handle; the info-record accessors stay the library's.
 * The sequencer has one client (this one), no other clients or ports, and
 * never delivers an event: its poll descriptor is a pipe nobody writes.
 *   cc -shared -fPIC -o seq-standin.so seq-standin.c
 * Declared here rather than from <alsa/asoundlib.h>: only pointers pass. */
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <poll.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))

struct standin { int pipe[2]; int next_port; };
typedef struct standin seq;
enum { CLIENT = 128 };

EXPORT int snd_seq_open(seq **handle, const char *name, int streams, int mode) {
  (void)name; (void)streams; (void)mode;
  seq *s = calloc(1, sizeof *s);
  if (!s || pipe(s->pipe) != 0) { free(s); return -ENOMEM; }
  *handle = s;
  return 0;
}
/* The handle and its pipe are kept: a thread may still poll the descriptor. */
EXPORT int snd_seq_close(seq *s) { (void)s; return 0; }
EXPORT int snd_seq_client_id(seq *s) { (void)s; return CLIENT; }
EXPORT int snd_seq_set_client_name(seq *s, const char *name) { (void)s; (void)name; return 0; }
EXPORT int snd_seq_poll_descriptors_count(seq *s, short events) { (void)s; (void)events; return 1; }
EXPORT int snd_seq_poll_descriptors(seq *s, struct pollfd *fds, unsigned space, short events) {
  if (!s || space < 1) return 0;
  fds[0].fd = s->pipe[0];
  fds[0].events = events;
  fds[0].revents = 0;
  return 1;
}
EXPORT int snd_seq_event_input(seq *s, void **event) { (void)s; if (event) *event = NULL; return -EAGAIN; }
EXPORT int snd_seq_event_input_pending(seq *s, int fetch) { (void)s; (void)fetch; return 0; }
/* Events written are dropped, as by a sequencer with no subscribers. */
EXPORT int snd_seq_event_output(seq *s, void *event) { (void)s; (void)event; return 0; }
EXPORT int snd_seq_event_output_direct(seq *s, void *event) { (void)s; (void)event; return 0; }
EXPORT int snd_seq_drain_output(seq *s) { (void)s; return 0; }
EXPORT int snd_seq_drop_input(seq *s) { (void)s; return 0; }
EXPORT int snd_seq_drop_output(seq *s) { (void)s; return 0; }
EXPORT int snd_seq_remove_events(seq *s, void *what) { (void)s; (void)what; return 0; }

EXPORT int snd_seq_create_simple_port(seq *s, const char *name, unsigned caps, unsigned type) {
  (void)name; (void)caps; (void)type;
  return s ? s->next_port++ : -EINVAL;
}
EXPORT int snd_seq_delete_simple_port(seq *s, int port) { (void)s; (void)port; return 0; }
/* Our own ports exist; their records stay as the caller allocated them (zeroed). */
EXPORT int snd_seq_get_port_info(seq *s, int port, void *info) { (void)s; (void)port; (void)info; return 0; }
EXPORT int snd_seq_set_port_info(seq *s, int port, void *info) { (void)s; (void)port; (void)info; return 0; }
EXPORT int snd_seq_get_any_port_info(seq *s, int client, int port, void *info) {
  (void)s; (void)client; (void)port; (void)info; return -ENOENT;
}
EXPORT int snd_seq_get_any_client_info(seq *s, int client, void *info) { (void)s; (void)client; (void)info; return -ENOENT; }
/* No other clients or ports: the enumerations end at once. */
EXPORT int snd_seq_query_next_client(seq *s, void *info) { (void)s; (void)info; return -ENOENT; }
EXPORT int snd_seq_query_next_port(seq *s, void *info) { (void)s; (void)info; return -ENOENT; }
EXPORT int snd_seq_query_port_subscribers(seq *s, void *query) { (void)s; (void)query; return -ENOENT; }
EXPORT int snd_seq_subscribe_port(seq *s, void *sub) { (void)s; (void)sub; return 0; }
EXPORT int snd_seq_unsubscribe_port(seq *s, void *sub) { (void)s; (void)sub; return 0; }

EXPORT int snd_seq_alloc_queue(seq *s) { (void)s; return 0; }
EXPORT int snd_seq_free_queue(seq *s, int q) { (void)s; (void)q; return 0; }
EXPORT int snd_seq_control_queue(seq *s, int q, int type, int value, void *event) {
  (void)s; (void)q; (void)type; (void)value; (void)event; return 0;
}
/* The records were zeroed by their allocators; a queue that never runs reads tick 0. */
EXPORT int snd_seq_get_queue_status(seq *s, int q, void *status) { (void)s; (void)q; (void)status; return 0; }
EXPORT int snd_seq_get_queue_tempo(seq *s, int q, void *tempo) { (void)s; (void)q; (void)tempo; return 0; }
EXPORT int snd_seq_set_queue_tempo(seq *s, int q, void *tempo) { (void)s; (void)q; (void)tempo; return 0; }
EXPORT int snd_seq_set_queue_timer(seq *s, int q, void *timer) { (void)s; (void)q; (void)timer; return 0; }
