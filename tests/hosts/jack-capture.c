/* Records what a JACK client plays over a stretch of its timeline, for the
 * host lane. A sequencer that follows the transport plays ahead by the
 * latency downstream of its output ports, so that what it plays for frame N
 * of its timeline is heard when the transport is at N. So each frame
 * received while the transport rolls is stored as timeline frame (transport
 * frame + that latency), however late the transport began to roll, and the
 * file holds timeline frames FIRST to FIRST + FRAMES - 1. Locates the
 * transport to 0, starts it, and stops it once those frames are in.
 *   jack-capture OUT.wav FIRST FRAMES SOURCE_PORT...
 * Writes a 32-bit float WAV, one channel per source; exits 1 on failure.
 *   cc -o jack-capture jack-capture.c -ljack -lpthread */
#include <jack/jack.h>
#include <jack/transport.h>
#include <semaphore.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { MAX_CHANNELS = 8 };

static jack_client_t *client;
static jack_port_t *ports[MAX_CHANNELS];
static sem_t registered;      /* a port appeared somewhere */
static sem_t rewired;         /* the graph changed */
static float *take;            /* frames x channels, interleaved */
static int channels;
static jack_nframes_t first, frames;
static jack_nframes_t ahead;   /* latency downstream of the sources */
static atomic_uint stored;     /* frames stored, once each */
static atomic_int done;
static sem_t finished;
static jack_nframes_t first_rolling = UINT32_MAX;

/* [audio thread] Copies the cycle's input to its transport position. */
static int process(jack_nframes_t n, void *arg) {
  (void)arg;
  jack_position_t pos;
  if (jack_transport_query(client, &pos) != JackTransportRolling) return 0;
  if (first_rolling == UINT32_MAX) first_rolling = pos.frame;
  const float *in[MAX_CHANNELS];
  for (int c = 0; c < channels; ++c) in[c] = jack_port_get_buffer(ports[c], n);
  unsigned got = 0;
  for (jack_nframes_t i = 0; i < n; ++i) {
    uint64_t at = (uint64_t)pos.frame + ahead + i;
    if (at < first || at >= (uint64_t)first + frames) continue;
    for (int c = 0; c < channels; ++c) take[(size_t)(at - first) * channels + c] = in[c][i];
    ++got;
  }
  if (got && atomic_fetch_add(&stored, got) + got >= frames && !atomic_exchange(&done, 1)) sem_post(&finished);
  return 0;
}

/* [notification thread] The source may register its ports after we start. */
static void port_registered(jack_port_id_t port, int registering, void *arg) {
  (void)port; (void)arg;
  if (registering) sem_post(&registered);
}

/* [notification thread] Connections changed; new latencies follow them. */
static int graph_changed(void *arg) {
  (void)arg;
  sem_post(&rewired);
  return 0;
}

/* Whether SOURCE also feeds a port other than ours. */
static int feeds_elsewhere(const char *source) {
  const char **to = jack_port_get_all_connections(client, jack_port_by_name(client, source));
  int found = 0;
  for (int i = 0; to && to[i]; ++i) found |= strncmp(to[i], "ondulaxis-capture:", 18) != 0;
  jack_free(to);
  return found;
}

static void put32(FILE *f, uint32_t v) { uint8_t b[4] = {v, v >> 8, v >> 16, v >> 24}; fwrite(b, 1, 4, f); }
static void put16(FILE *f, uint16_t v) { uint8_t b[2] = {v, v >> 8}; fwrite(b, 1, 2, f); }

static int write_wav(const char *path, unsigned rate) {
  FILE *f = fopen(path, "wb");
  if (!f) return -1;
  uint32_t bytes = (uint32_t)frames * channels * 4;
  fwrite("RIFF", 1, 4, f); put32(f, 36 + bytes); fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16); put16(f, 3); put16(f, channels); put32(f, rate); put32(f, rate * channels * 4);
  put16(f, channels * 4); put16(f, 32);
  fwrite("data", 1, 4, f); put32(f, bytes);
  fwrite(take, 4, (size_t)frames * channels, f); /* little-endian machines only, as the lane */
  return fclose(f);
}

int main(int argc, char **argv) {
  if (argc < 5 || argc - 4 > MAX_CHANNELS) {
    fprintf(stderr, "usage: jack-capture OUT.wav FIRST FRAMES SOURCE_PORT...\n");
    return 2;
  }
  first = (jack_nframes_t)strtoul(argv[2], NULL, 10);
  frames = (jack_nframes_t)strtoul(argv[3], NULL, 10);
  char **sources = argv + 4;
  channels = argc - 4;
  take = calloc((size_t)frames * channels, sizeof *take);
  client = jack_client_open("ondulaxis-capture", JackNoStartServer, NULL);
  if (!take || !frames || !client) { fprintf(stderr, "jack-capture: no JACK server\n"); return 1; }
  sem_init(&finished, 0, 0);
  sem_init(&registered, 0, 0);
  sem_init(&rewired, 0, 0);
  for (int c = 0; c < channels; ++c) {
    char name[16];
    snprintf(name, sizeof name, "in_%d", c + 1);
    ports[c] = jack_port_register(client, name, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  }
  jack_set_process_callback(client, process, NULL);
  jack_set_port_registration_callback(client, port_registered, NULL);
  jack_set_graph_order_callback(client, graph_changed, NULL);
  if (jack_activate(client)) { fprintf(stderr, "jack-capture: cannot activate\n"); return 1; }
  /* Waits for each source port to exist; the lane's timeout bounds the wait. */
  for (int c = 0; c < channels; ++c) {
    while (!jack_port_by_name(client, sources[c])) sem_wait(&registered);
    if (jack_connect(client, sources[c], jack_port_name(ports[c]))) {
      fprintf(stderr, "jack-capture: cannot connect %s\n", sources[c]);
      return 1;
    }
  }
  /* The latency that counts is the one downstream of the source's own
   * connections (to the sound card), which it may make after registering. */
  while (!feeds_elsewhere(sources[0])) sem_wait(&rewired);
  /* Set before the transport rolls, so the audio thread reads it settled. */
  jack_latency_range_t range;
  jack_port_get_latency_range(jack_port_by_name(client, sources[0]), JackPlaybackLatency, &range);
  ahead = range.max;
  jack_transport_locate(client, 0);
  jack_transport_start(client);
  while (sem_wait(&finished) != 0) {}
  jack_transport_stop(client);
  unsigned rate = jack_get_sample_rate(client);
  jack_deactivate(client);
  jack_client_close(client);
  printf("captured frames %u-%u of the timeline; latency after the source %u frames; "
         "transport first seen rolling at frame %u\n", first, first + frames, ahead, first_rolling);
  return write_wav(argv[1], rate) == 0 ? 0 : 1;
}
