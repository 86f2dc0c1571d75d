#!/usr/bin/env perl
# The documents hold together: every relative link and image of README.md and docs/
# names a file that exists (and a heading of it, for a link with #), and every
# option that docs/operating.md and its Greek twin name for the console program is
# one that its --help lists.
#
#   check_docs.pl SOURCE_DIR HELP_COMMAND...
use strict;
use warnings;
use utf8;
use File::Basename qw(dirname);
use File::Find qw(find);
use File::Spec;

binmode STDOUT, ':encoding(UTF-8)';
binmode STDERR, ':encoding(UTF-8)';
my ($root, @help_command) = @ARGV;
die "usage: check_docs.pl SOURCE_DIR HELP_COMMAND...\n" unless defined $root && @help_command;

my @faults;
sub fault { push @faults, join('', @_) }

sub read_text {
  my ($path) = @_;
  open my $in, '<:encoding(UTF-8)', $path or die "cannot read $path: $!\n";
  local $/;
  my $text = <$in>;
  close $in;
  return $text;
}

# Text outside fenced code blocks, where a link is a link.
sub prose {
  my ($text) = @_;
  my ($out, $fenced) = ('', 0);
  for my $line (split /\n/, $text, -1) {
    if ($line =~ /^\s*```/) { $fenced = !$fenced; $out .= "\n"; next }
    $out .= $fenced ? "\n" : "$line\n";
  }
  return $out;
}

# The anchors of a Markdown file's headings, as GitHub makes them: lower case, every
# character but letters, digits, spaces, hyphens and underscores left out, spaces to
# hyphens, a repeated heading numbered.
my %anchor_cache;
sub anchors {
  my ($path) = @_;
  return $anchor_cache{$path} if $anchor_cache{$path};
  my (%anchors, %seen);
  for my $line (split /\n/, prose(read_text($path))) {
    next unless $line =~ /^#{1,6}\s+(.*?)\s*#*\s*$/;
    my $slug = lc $1;
    $slug =~ s/`//g;
    $slug =~ s/[^\p{L}\p{N}\p{M} _-]//g;
    $slug =~ s/ /-/g;
    my $n = $seen{$slug}++;
    $anchors{$n ? "$slug-$n" : $slug} = 1;
  }
  return $anchor_cache{$path} = \%anchors;
}

sub check_link {
  my ($doc, $target) = @_;
  return if $target =~ m{^[a-z][a-z0-9+.-]*:}i;    # http:, https:, mailto:
  my ($file, $anchor) = $target =~ /^([^#]*)(?:#(.*))?$/;
  my $path = $file eq '' ? $doc : File::Spec->catfile(dirname($doc), $file);
  my $shown = File::Spec->abs2rel($doc, $root);
  if (!-e $path) { fault("$shown: the link '$target' names no file"); return }
  return unless defined $anchor && $anchor ne '';
  if (-d $path || $path !~ /\.md$/) { fault("$shown: the link '$target' has an anchor in no Markdown file"); return }
  fault("$shown: the link '$target' names no heading of ", File::Spec->abs2rel($path, $root))
    unless anchors($path)->{$anchor};
}

my @docs = (File::Spec->catfile($root, 'README.md'));
find({ wanted => sub { push @docs, $File::Find::name if /\.md$/ }, no_chdir => 1 },
     File::Spec->catdir($root, 'docs'));
for my $doc (sort @docs) {
  my $text = prose(read_text($doc));
  $text =~ s/`[^`\n]*`//g;    # code spans hold no links
  # [text](target) and ![alt](target), the target up to a title or the parenthesis;
  # <img src="target">; [label]: target.
  check_link($doc, $1) while $text =~ /\]\(\s*<?([^)\s>]+)>?(?:\s+"[^"]*")?\s*\)/g;
  check_link($doc, $1) while $text =~ /<img\b[^>]*\bsrc="([^"]+)"/g;
  check_link($doc, $1) while $text =~ /^\s*\[[^\]]+\]:\s*(\S+)/mg;
}

# The options --help lists: its lines that start with an option.
my $help = do {
  open my $out, '-|', @help_command or die "cannot run @help_command: $!\n";
  local $/;
  my $text = <$out>;
  close $out;
  $text;
};
die "@help_command gave no help\n" unless defined $help && $help =~ /usage:/;
my %offered;
for my $line (split /\n/, $help) {
  next unless $line =~ /^\s+(-[-\w, ]+?)(?:\s{2,}|\s+[A-Z]+\s|$)/;
  $offered{$_} = 1 for $1 =~ /(--?[a-z][\w-]*)/g;
}
die "no options found in the output of @help_command\n" unless $offered{'--help'};

# Options are written as code; a code span or a line of a code block that starts with
# another program's name (sha256sum -c, schtasks /create) is that program's.
my $other_programs = qr/^(?:sudo\s+)?(?:sha256sum|certutil|Get-FileHash|schtasks|iconv|regsim|usermod|ls|man|apt|dmesg)\b/;
for my $guide ('docs/operating.md', 'docs/el/odigos.md') {
  my $path = File::Spec->catfile($root, $guide);
  next unless -e $path;
  my $text = read_text($path);
  my @code;
  my $fenced = 0;
  for my $line (split /\n/, $text) {
    if ($line =~ /^\s*```/) { $fenced = !$fenced; next }
    if ($fenced) { push @code, $line; next }
    push @code, $1 while $line =~ /`([^`]+)`/g;
  }
  for my $code (@code) {
    (my $command = $code) =~ s/^\s+//;
    next if $command =~ $other_programs;
    $command =~ s/\s(?:&\s*rem|#)\s.*$//;    # a comment after the command
    for my $option ($command =~ /(?:^|[\s\[(])(--?[a-z][\w-]*)/g) {
      fault("$guide: the option '$option' is not one that --help lists") unless $offered{$option};
    }
  }
}

if (@faults) {
  print STDERR "FAILED: $_\n" for @faults;
  exit 1;
}
print "the links and images of ", scalar(@docs), " documents and the guides' options hold\n";
